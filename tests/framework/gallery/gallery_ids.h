#pragma once
// Resource ids of framework_gallery's own templates.

#define IDD_GALLERY_SEND 3001
#define IDC_GALLERY_LABEL 3002
#define IDC_GALLERY_LIST 3003
#define IDC_GALLERY_OPEN_WHEN_DONE 3004
#define IDC_GALLERY_ADD 3005
#define IDC_GALLERY_REMOVE 3006
