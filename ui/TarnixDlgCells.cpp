// The main window's answers to the transfer list's cell requests.

#include "ui/TarnixDlg.h"

#include <cctype>
#include <string>

#include <windows.h>
#include <shellapi.h>

#include "app/TransferingFile.h"
#include "framework/Icon.h"
#include "infra/TextUtilities.h"
#include "ui/SizeText.h"
#include "ui/UIManager.h"
#include "ui/res/ui_ids.h"

namespace {

// The status texts by file status.
const UINT kStatusTexts[] = {
    IDS_STATUS_PENDING,       IDS_STATUS_CONNECTING,     IDS_STATUS_CONNECTED, IDS_STATUS_SENDING,
    IDS_STATUS_RECEIVING,     IDS_STATUS_PAUSED,         IDS_STATUS_SUSPENDED, IDS_STATUS_COMPLETED,
    IDS_STATUS_WAITING,       IDS_STATUS_FILE_NOT_FOUND, IDS_STATUS_REMOVED,   IDS_STATUS_PEER_OFFLINE,
    IDS_STATUS_NO_FREE_SLOTS, IDS_STATUS_PENDING_EMAIL,  IDS_STATUS_APPROVED,  IDS_STATUS_AWAITING_APPROVAL,
};
const int kStatusTextCount = static_cast<int>(sizeof(kStatusTexts) / sizeof(kStatusTexts[0]));

// The list shows at most this much of a size.
const int kSizeTextLimit = 20;

// The first two row images are the drop-down mark and the group picture.
const int kFirstExtensionImage = 2;

CString SizeText(std::int64_t bytes)
{
    return FormatSizeText(bytes).Left(kSizeTextLimit);
}

// The file's type as the shell knows it: the text after the last '.', lower-cased.
std::string LowerExtension(const CString& fileName)
{
    std::string extension = GetPathExtension(fileName.str());
    for (char& ch : extension)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return extension;
}

// The bar's percentage.
int TransferProgress(const CTransferingFile& row)
{
    if (row.m_fileStatus == FS_COMPLETED)
        return 100;
    if (row.m_fileSize <= 0)
        return 0;
    if (row.m_transferred < row.m_fileSize)
        return static_cast<int>(static_cast<double>(row.m_transferred) / static_cast<double>(row.m_fileSize) * 100.0);
    return 100;
}

} // namespace

void CTarnixDlg::OnCellRequest(SListCellRequest& request)
{
    const int kind = KindOfGroup(request.group);
    if (kind != kUploadRows && kind != kDownloadRows)
        return;
    const bool groupRow = request.position == 0;
    CTransferingFile* row = groupRow ? nullptr : m_ui.GetTransferAt(kind, request.position - 1);
    if (!groupRow && !row)
        return;

    if (request.mask & kCellText) {
        if (groupRow)
            m_cellText.LoadString(kind == kUploadRows ? IDS_STATUS_SENDING : IDS_STATUS_RECEIVING);
        else
            m_cellText = CellText(*row, request.column);
        request.text = m_cellText.GetString();
        request.textLength = m_cellText.GetLength();
    }
    if ((request.mask & kCellMenu) && row) {
        CMenu* menu = PrepareContextMenu();
        request.value = reinterpret_cast<LPARAM>(menu ? menu->m_hMenu : nullptr);
    }
    // The core's status stays as the core reported it: a row whose bytes have all arrived shows
    // 100 % before the core has finished the file, and commands still see it unfinished.
    if ((request.mask & kCellProgress) && row)
        request.value = TransferProgress(*row);
    if (request.mask & kCellImage) {
        if (groupRow)
            request.image = 1;
        else if (request.column == 0)
            request.image = ExtensionImage(row->m_shortName);
        else
            request.image = 0;
    }
}

CString CTarnixDlg::CellText(const CTransferingFile& row, int column) const
{
    switch (column) {
    case 0:
        return row.m_shortName;
    case 1:
        return SizeText(row.m_fileSize);
    case 2:
        return SizeText(row.m_transferred);
    case 3:
        return row.m_remainingText;
    case kStatusColumn: {
        // All bytes there reads "Completed", as the bar reads 100 %.
        const int status = TransferProgress(row) == 100 ? FS_COMPLETED : row.m_fileStatus;
        CString text;
        if (status >= 0 && status < kStatusTextCount)
            text.LoadString(kStatusTexts[status]);
        return text;
    }
    case 6:
        return row.m_userEmail;
    default:
        return CString();
    }
}

int CTarnixDlg::ExtensionImage(const CString& fileName)
{
    const std::string extension = LowerExtension(fileName);
    const auto cached = m_extensionImages.find(extension);
    if (cached != m_extensionImages.end())
        return cached->second + kFirstExtensionImage;

    SHFILEINFOA info = {};
    const std::string typeName = "." + extension;
    ::SHGetFileInfoA(typeName.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                     SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    const CIcon icon(info.hIcon);
    // A type the shell has no picture for shows none, and is not asked about again.
    const int image = icon.GetSafeHandle() ? m_rowImages.Add(icon) : -1;
    m_extensionImages[extension] = image - kFirstExtensionImage;
    return image;
}
