#pragma once
// Resource ids of the htmltip gallery's own art (htmltip_gallery.rc).
#define IDB_GALLERY_FACE 3101
#define IDB_GALLERY_STRIP 3102
