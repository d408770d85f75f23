#pragma once
// Resource ids of the browser link control library. (Its type library is TYPELIB 1.)

// The picture a design tool shows for the control in its toolbox (registered as ToolboxBitmap32).
#define IDB_TNCONTROL 102
