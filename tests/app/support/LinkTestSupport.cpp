#include "LinkTestSupport.h"

namespace linktest {

CLinkFileEntry Entry(int index, const CString& name, std::int64_t size)
{
    CLinkFileEntry e;
    for (int i = 0; i < CLinkFileEntry::ID_SIZE; ++i)
        e.m_fileId[i] = static_cast<unsigned char>(index + 1 + i);
    e.SetPath("C:\\send\\" + name);
    e.m_size = size;
    return e;
}

CFileLink TwoPartyLink()
{
    CFileLink link;
    link.m_senderEmail = "me@here.test";
    link.m_senderName = "Me";
    for (int i = 0; i < CFileLink::ID_SIZE; ++i)
        link.m_senderUserId[i] = static_cast<unsigned char>(0xA0 + i);
    link.m_recipientEmail = "you@there.test";
    link.m_recipientName = "You";
    link.m_subject = "Files";
    link.m_message = "Here they are";
    return link;
}

} // namespace linktest
