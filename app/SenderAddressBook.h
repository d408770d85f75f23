#pragma once
// The address-book step of accepting a link: the sender's address is added, with the part
// before "@" as its name, when the book does not have it yet (and the book is saved).

#include "framework/String.h"

void RememberSender(const CString& email);
