#include "ui/TransferFunctors.h"

#include "app/TransferManager.h"
#include "app/TransferingFile.h"
#include "ui/ShellOpen.h"

void Transfer_Pauser::operator()(CTransferingFile& row)
{
    row.m_isDownload ? m_transfers.PauseDownload(row.m_id) : m_transfers.PauseUpload(row.m_id);
}

void Transfer_Resumer::operator()(CTransferingFile& row)
{
    row.m_isDownload ? m_transfers.ResumeDownload(row.m_id) : m_transfers.ResumeUpload(row.m_id);
}

void Transfer_Canceler::operator()(CTransferingFile& row)
{
    row.m_isDownload ? m_transfers.CancelDownload(row.m_id) : m_transfers.RemoveUpload(row.m_id);
}

void Transfer_Cleaner::operator()(CTransferingFile& row)
{
    if (row.m_fileStatus == FS_COMPLETED)
        row.m_isDownload ? m_transfers.CancelDownload(row.m_id) : m_transfers.RemoveUpload(row.m_id);
}

void Transfer_BandWidthChanger::operator()(CTransferingFile& row)
{
    if (!row.m_isDownload)
        (void)m_transfers.PostUploadLevel(row.m_fileId, m_level);
}

void Transfer_Opener::operator()(CTransferingFile& row)
{
    OpenTransferFile(m_owner, row.m_realName);
}

void Transfer_FolderOpener::operator()(CTransferingFile& row)
{
    OpenTransferFolder(m_owner, row.m_realName);
}
