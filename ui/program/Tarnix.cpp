// The program: its one application object, which the framework's entry runs.
#include "ui/TarnixApp.h"

CTarnixApp theApp;
