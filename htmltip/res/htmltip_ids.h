#pragma once
// Resource ids of the HTML tooltip (htmltip.rc); one owner, one header. The program's script
// and the tooltip's test programs include the fragment.
#define IDC_HTMLTIP_HOT_AREA 155 // over a balloon's hot square
