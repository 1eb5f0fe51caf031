// Standard controls, scroll bars, menus and dialogs of the window system: their window classes, the
// message and notification codes (the platform's published numbers, because the skin engine and the
// component layer compare and send them as numbers) and the structures those messages carry.
//
// Text is UTF-8 everywhere, so the "A" and "W" forms of a message share one behaviour.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win/win.h"

namespace platform::win {

using ULONG_PTR = std::uintptr_t;
using gdi::HGDIOBJ;
using gdi::HBITMAP;

// Registers every standard control class and installs the menu-bar and scroll-bar painting and
// tracking into the non-client area unless other frame hooks are in place (a skin's). Idempotent;
// message boxes, input boxes and TrackPopupMenu call it themselves.
void InitControls();

// ---- notifications and owner draw ----
struct NMHDR {
  HWND hwndFrom = nullptr;
  ULONG_PTR idFrom = 0;
  UINT code = 0;
};
inline constexpr UINT NM_CLICK = static_cast<UINT>(-2), NM_DBLCLK = static_cast<UINT>(-3),
                      NM_RETURN = static_cast<UINT>(-4), NM_RCLICK = static_cast<UINT>(-5),
                      NM_SETFOCUS = static_cast<UINT>(-7), NM_KILLFOCUS = static_cast<UINT>(-8),
                      NM_CUSTOMDRAW = static_cast<UINT>(-12), NM_RELEASEDCAPTURE = static_cast<UINT>(-16);

struct NMCUSTOMDRAW {
  NMHDR hdr;
  DWORD dwDrawStage = 0;
  HDC hdc = nullptr;
  RECT rc{};
  ULONG_PTR dwItemSpec = 0;
  UINT uItemState = 0;
  LPARAM lItemlParam = 0;
};
inline constexpr DWORD CDDS_PREPAINT = 0x1, CDDS_POSTPAINT = 0x2, CDDS_ITEM = 0x10000,
                       CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT, CDDS_ITEMPOSTPAINT = CDDS_ITEM | CDDS_POSTPAINT;
inline constexpr LRESULT CDRF_DODEFAULT = 0x0, CDRF_NEWFONT = 0x2, CDRF_SKIPDEFAULT = 0x4,
                         CDRF_NOTIFYPOSTPAINT = 0x10, CDRF_NOTIFYITEMDRAW = 0x20;
inline constexpr UINT CDIS_SELECTED = 0x1, CDIS_GRAYED = 0x2, CDIS_DISABLED = 0x4, CDIS_CHECKED = 0x8,
                      CDIS_FOCUS = 0x10, CDIS_DEFAULT = 0x20, CDIS_HOT = 0x40, CDIS_MARKED = 0x80,
                      CDIS_INDETERMINATE = 0x100;

inline constexpr UINT ODT_MENU = 1, ODT_LISTBOX = 2, ODT_COMBOBOX = 3, ODT_BUTTON = 4, ODT_STATIC = 5;
inline constexpr UINT ODA_DRAWENTIRE = 1, ODA_SELECT = 2, ODA_FOCUS = 4;
inline constexpr UINT ODS_SELECTED = 0x1, ODS_GRAYED = 0x2, ODS_DISABLED = 0x4, ODS_CHECKED = 0x8,
                      ODS_FOCUS = 0x10, ODS_DEFAULT = 0x20, ODS_HOTLIGHT = 0x40, ODS_INACTIVE = 0x80,
                      ODS_NOACCEL = 0x100, ODS_NOFOCUSRECT = 0x200, ODS_COMBOBOXEDIT = 0x1000;
struct DRAWITEMSTRUCT {
  UINT CtlType = 0, CtlID = 0, itemID = 0, itemAction = 0, itemState = 0;
  HWND hwndItem = nullptr;
  HDC hDC = nullptr;
  RECT rcItem{};
  ULONG_PTR itemData = 0;
};
struct MEASUREITEMSTRUCT {
  UINT CtlType = 0, CtlID = 0, itemID = 0, itemWidth = 0, itemHeight = 0;
  ULONG_PTR itemData = 0;
};

// Dialog codes (WM_GETDLGCODE) and dialog-box commands.
inline constexpr LRESULT DLGC_WANTARROWS = 0x1, DLGC_WANTTAB = 0x2, DLGC_WANTALLKEYS = 0x4, DLGC_HASSETSEL = 0x8,
                         DLGC_DEFPUSHBUTTON = 0x10, DLGC_UNDEFPUSHBUTTON = 0x20, DLGC_RADIOBUTTON = 0x40,
                         DLGC_WANTCHARS = 0x80, DLGC_STATIC = 0x100, DLGC_BUTTON = 0x2000;
inline constexpr int IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7;
inline constexpr UINT WM_CUT = 0x300, WM_COPY = 0x301, WM_PASTE = 0x302, WM_CLEAR = 0x303, WM_UNDO = 0x304,
                      WM_NEXTDLGCTL = 0x28, DM_GETDEFID = 0x400, DM_SETDEFID = 0x401;

// ---- Button ----
inline constexpr DWORD BS_PUSHBUTTON = 0x0, BS_DEFPUSHBUTTON = 0x1, BS_CHECKBOX = 0x2, BS_AUTOCHECKBOX = 0x3,
                       BS_RADIOBUTTON = 0x4, BS_3STATE = 0x5, BS_AUTO3STATE = 0x6, BS_GROUPBOX = 0x7,
                       BS_USERBUTTON = 0x8, BS_AUTORADIOBUTTON = 0x9, BS_PUSHBOX = 0xA, BS_OWNERDRAW = 0xB,
                       BS_TYPEMASK = 0xF, BS_LEFTTEXT = 0x20, BS_TEXT = 0, BS_ICON = 0x40, BS_BITMAP = 0x80,
                       BS_LEFT = 0x100, BS_RIGHT = 0x200, BS_CENTER = 0x300, BS_TOP = 0x400, BS_BOTTOM = 0x800,
                       BS_VCENTER = 0xC00, BS_PUSHLIKE = 0x1000, BS_MULTILINE = 0x2000, BS_NOTIFY = 0x4000,
                       BS_FLAT = 0x8000;
inline constexpr UINT BM_GETCHECK = 0xF0, BM_SETCHECK = 0xF1, BM_GETSTATE = 0xF2, BM_SETSTATE = 0xF3,
                      BM_SETSTYLE = 0xF4, BM_CLICK = 0xF5, BM_GETIMAGE = 0xF6, BM_SETIMAGE = 0xF7;
inline constexpr LRESULT BST_UNCHECKED = 0x0, BST_CHECKED = 0x1, BST_INDETERMINATE = 0x2, BST_PUSHED = 0x4,
                         BST_FOCUS = 0x8;
inline constexpr UINT BN_CLICKED = 0, BN_PAINT = 1, BN_DBLCLK = 5, BN_SETFOCUS = 6, BN_KILLFOCUS = 7;

// ---- Static ----
inline constexpr DWORD SS_LEFT = 0x0, SS_CENTER = 0x1, SS_RIGHT = 0x2, SS_ICON = 0x3, SS_BLACKRECT = 0x4,
                       SS_GRAYRECT = 0x5, SS_WHITERECT = 0x6, SS_SIMPLE = 0xB, SS_LEFTNOWORDWRAP = 0xC,
                       SS_OWNERDRAW = 0xD, SS_BITMAP = 0xE, SS_ETCHEDFRAME = 0x12, SS_TYPEMASK = 0x1F,
                       SS_NOPREFIX = 0x80, SS_NOTIFY = 0x100, SS_CENTERIMAGE = 0x200, SS_SUNKEN = 0x1000,
                       SS_ENDELLIPSIS = 0x4000;
inline constexpr UINT STM_SETICON = 0x170, STM_GETICON = 0x171, STM_SETIMAGE = 0x172, STM_GETIMAGE = 0x173;
inline constexpr UINT STN_CLICKED = 0, STN_DBLCLK = 1;
inline constexpr UINT IMAGE_BITMAP = 0, IMAGE_ICON = 1;

// ---- Edit ----
inline constexpr DWORD ES_LEFT = 0x0, ES_CENTER = 0x1, ES_RIGHT = 0x2, ES_MULTILINE = 0x4, ES_UPPERCASE = 0x8,
                       ES_LOWERCASE = 0x10, ES_PASSWORD = 0x20, ES_AUTOVSCROLL = 0x40, ES_AUTOHSCROLL = 0x80,
                       ES_NOHIDESEL = 0x100, ES_READONLY = 0x800, ES_WANTRETURN = 0x1000, ES_NUMBER = 0x2000;
inline constexpr UINT EM_GETSEL = 0xB0, EM_SETSEL = 0xB1, EM_GETRECT = 0xB2, EM_SETRECT = 0xB3,
                      EM_LINESCROLL = 0xB6, EM_SCROLLCARET = 0xB7, EM_GETMODIFY = 0xB8, EM_SETMODIFY = 0xB9, EM_GETLINECOUNT = 0xBA, EM_GETFIRSTVISIBLELINE = 0xCE,
                      EM_LINEINDEX = 0xBB, EM_LINELENGTH = 0xC1, EM_REPLACESEL = 0xC2, EM_GETLINE = 0xC4,
                      EM_LIMITTEXT = 0xC5, EM_SETLIMITTEXT = 0xC5, EM_CANUNDO = 0xC6, EM_UNDO = 0xC7,
                      EM_SETPASSWORDCHAR = 0xCC, EM_EMPTYUNDOBUFFER = 0xCD, EM_SETREADONLY = 0xCF,
                      EM_GETPASSWORDCHAR = 0xD2, EM_SETMARGINS = 0xD3, EM_GETMARGINS = 0xD4,
                      EM_GETLIMITTEXT = 0xD5;
inline constexpr UINT EN_SETFOCUS = 0x100, EN_KILLFOCUS = 0x200, EN_CHANGE = 0x300, EN_UPDATE = 0x400,
                      EN_ERRSPACE = 0x500, EN_MAXTEXT = 0x501;

// ---- ListBox ----
inline constexpr DWORD LBS_NOTIFY = 0x1, LBS_SORT = 0x2, LBS_NOREDRAW = 0x4, LBS_MULTIPLESEL = 0x8,
                       LBS_OWNERDRAWFIXED = 0x10, LBS_OWNERDRAWVARIABLE = 0x20, LBS_HASSTRINGS = 0x40,
                       LBS_USETABSTOPS = 0x80, LBS_NOINTEGRALHEIGHT = 0x100, LBS_EXTENDEDSEL = 0x800, LBS_DISABLENOSCROLL = 0x1000,
                       LBS_NOSEL = 0x4000, LBS_COMBOBOX = 0x8000, LBS_STANDARD = 0xA00003;
inline constexpr UINT LB_ADDSTRING = 0x180, LB_INSERTSTRING = 0x181, LB_DELETESTRING = 0x182,
                      LB_RESETCONTENT = 0x184, LB_SETSEL = 0x185, LB_SETCURSEL = 0x186, LB_GETSEL = 0x187,
                      LB_GETCURSEL = 0x188, LB_GETTEXT = 0x189, LB_GETTEXTLEN = 0x18A, LB_GETCOUNT = 0x18B,
                      LB_SELECTSTRING = 0x18C, LB_GETTOPINDEX = 0x18E, LB_FINDSTRING = 0x18F,
                      LB_GETSELCOUNT = 0x190, LB_GETSELITEMS = 0x191, LB_SETTOPINDEX = 0x197,
                      LB_GETITEMRECT = 0x198, LB_GETITEMDATA = 0x199, LB_SETITEMDATA = 0x19A,
                      LB_SETCARETINDEX = 0x19E, LB_GETCARETINDEX = 0x19F, LB_SETITEMHEIGHT = 0x1A0,
                      LB_GETITEMHEIGHT = 0x1A1, LB_FINDSTRINGEXACT = 0x1A2, LB_ITEMFROMPOINT = 0x1A9,
                      LB_GETLISTBOXINFO = 0x1B2;
// The combo box tells its drop-down list to start tracking the mouse (wParam: the selected item).
inline constexpr UINT LBCB_STARTTRACK = 0x1AE;
inline constexpr LRESULT LB_OKAY = 0, LB_ERR = -1, LB_ERRSPACE = -2;
inline constexpr UINT LBN_ERRSPACE = static_cast<UINT>(-2), LBN_SELCHANGE = 1, LBN_DBLCLK = 2, LBN_SELCANCEL = 3,
                      LBN_SETFOCUS = 4, LBN_KILLFOCUS = 5;

// ---- ComboBox ----
inline constexpr DWORD CBS_SIMPLE = 0x1, CBS_DROPDOWN = 0x2, CBS_DROPDOWNLIST = 0x3, CBS_OWNERDRAWFIXED = 0x10,
                       CBS_OWNERDRAWVARIABLE = 0x20, CBS_AUTOHSCROLL = 0x40, CBS_SORT = 0x100,
                       CBS_HASSTRINGS = 0x200, CBS_NOINTEGRALHEIGHT = 0x400;
inline constexpr UINT CB_GETEDITSEL = 0x140, CB_LIMITTEXT = 0x141, CB_SETEDITSEL = 0x142, CB_ADDSTRING = 0x143,
                      CB_DELETESTRING = 0x144, CB_GETCOUNT = 0x146, CB_GETCURSEL = 0x147, CB_GETLBTEXT = 0x148,
                      CB_GETLBTEXTLEN = 0x149, CB_INSERTSTRING = 0x14A, CB_RESETCONTENT = 0x14B,
                      CB_FINDSTRING = 0x14C, CB_SELECTSTRING = 0x14D, CB_SETCURSEL = 0x14E,
                      CB_SHOWDROPDOWN = 0x14F, CB_GETITEMDATA = 0x150, CB_SETITEMDATA = 0x151,
                      CB_GETDROPPEDCONTROLRECT = 0x152, CB_SETITEMHEIGHT = 0x153, CB_GETITEMHEIGHT = 0x154,
                      CB_GETDROPPEDSTATE = 0x157, CB_FINDSTRINGEXACT = 0x158, CB_GETTOPINDEX = 0x15B,
                      CB_SETTOPINDEX = 0x15C, CB_GETDROPPEDWIDTH = 0x15F, CB_SETDROPPEDWIDTH = 0x160,
                      CB_GETCOMBOBOXINFO = 0x164;
inline constexpr LRESULT CB_OKAY = 0, CB_ERR = -1, CB_ERRSPACE = -2;
inline constexpr UINT CBN_SELCHANGE = 1, CBN_DBLCLK = 2, CBN_SETFOCUS = 3, CBN_KILLFOCUS = 4, CBN_EDITCHANGE = 5,
                      CBN_EDITUPDATE = 6, CBN_DROPDOWN = 7, CBN_CLOSEUP = 8, CBN_SELENDOK = 9,
                      CBN_SELENDCANCEL = 10;
struct COMBOBOXINFO {
  DWORD cbSize = sizeof(COMBOBOXINFO);
  RECT rcItem{};
  RECT rcButton{};
  DWORD stateButton = 0;  // STATE_SYSTEM_PRESSED while dropped down
  HWND hwndCombo = nullptr, hwndItem = nullptr, hwndList = nullptr;
};
BOOL GetComboBoxInfo(HWND combo, COMBOBOXINFO* info);

// ---- accessibility states (scroll bars, combo boxes) ----
inline constexpr LONG OBJID_WINDOW = 0, OBJID_SYSMENU = -1, OBJID_VSCROLL = -5, OBJID_HSCROLL = -6,
                      OBJID_CLIENT = -4, OBJID_MENU = -3;
inline constexpr DWORD STATE_SYSTEM_UNAVAILABLE = 0x1, STATE_SYSTEM_PRESSED = 0x8, STATE_SYSTEM_INVISIBLE = 0x8000,
                       STATE_SYSTEM_OFFSCREEN = 0x10000;

// ---- status bar (msctls_statusbar32) ----
inline constexpr DWORD SBARS_SIZEGRIP = 0x100, CCS_TOP = 0x1, CCS_NOMOVEY = 0x2, CCS_BOTTOM = 0x3,
                       CCS_NORESIZE = 0x4, CCS_NOPARENTALIGN = 0x8, CCS_NODIVIDER = 0x40;
inline constexpr UINT SB_SETTEXTA = 0x401, SB_GETTEXTA = 0x402, SB_GETTEXTLENGTHA = 0x403, SB_SETPARTS = 0x404,
                      SB_GETPARTS = 0x406, SB_GETBORDERS = 0x407, SB_SETMINHEIGHT = 0x408, SB_SIMPLE = 0x409,
                      SB_GETRECT = 0x40A, SB_SETTEXTW = 0x40B, SB_GETTEXTLENGTHW = 0x40C, SB_GETTEXTW = 0x40D,
                      SB_ISSIMPLE = 0x40E, SB_SETTEXT = SB_SETTEXTW, SB_GETTEXT = SB_GETTEXTW,
                      SB_GETTEXTLENGTH = SB_GETTEXTLENGTHW;
inline constexpr UINT SBT_OWNERDRAW = 0x1000, SBT_NOBORDERS = 0x100, SBT_POPOUT = 0x200;
inline constexpr UINT SB_SIMPLEID = 0xFF;

// ---- tab control (SysTabControl32) ----
inline constexpr DWORD TCS_BOTTOM = 0x2, TCS_RIGHT = 0x2, TCS_FLATBUTTONS = 0x8, TCS_VERTICAL = 0x80,
                       TCS_BUTTONS = 0x100, TCS_MULTILINE = 0x200, TCS_FIXEDWIDTH = 0x400,
                       TCS_OWNERDRAWFIXED = 0x2000, TCS_FOCUSNEVER = 0x8000;
inline constexpr UINT TCM_GETIMAGELIST = 0x1302, TCM_SETIMAGELIST = 0x1303, TCM_GETITEMCOUNT = 0x1304,
                      TCM_GETITEMA = 0x1305, TCM_SETITEMA = 0x1306, TCM_INSERTITEMA = 0x1307,
                      TCM_DELETEITEM = 0x1308, TCM_DELETEALLITEMS = 0x1309, TCM_GETITEMRECT = 0x130A,
                      TCM_GETCURSEL = 0x130B, TCM_SETCURSEL = 0x130C, TCM_HITTEST = 0x130D,
                      TCM_ADJUSTRECT = 0x1328, TCM_SETITEMSIZE = 0x1329, TCM_GETROWCOUNT = 0x132C,
                      TCM_GETCURFOCUS = 0x132F, TCM_SETCURFOCUS = 0x1330, TCM_GETITEMW = 0x133C,
                      TCM_SETITEMW = 0x133D, TCM_INSERTITEMW = 0x133E, TCM_GETITEM = TCM_GETITEMW,
                      TCM_SETITEM = TCM_SETITEMW, TCM_INSERTITEM = TCM_INSERTITEMW;
inline constexpr UINT TCN_KEYDOWN = static_cast<UINT>(-550), TCN_SELCHANGE = static_cast<UINT>(-551),
                      TCN_SELCHANGING = static_cast<UINT>(-552);
inline constexpr UINT TCIF_TEXT = 0x1, TCIF_IMAGE = 0x2, TCIF_PARAM = 0x8, TCIF_STATE = 0x10;
struct TCITEM {
  UINT mask = 0;
  DWORD dwState = 0, dwStateMask = 0;
  char* pszText = nullptr;
  int cchTextMax = 0;
  int iImage = -1;
  LPARAM lParam = 0;
};

// ---- progress bar (msctls_progress32) ----
inline constexpr DWORD PBS_SMOOTH = 0x1, PBS_VERTICAL = 0x4;
inline constexpr UINT PBM_SETRANGE = 0x401, PBM_SETPOS = 0x402, PBM_DELTAPOS = 0x403, PBM_SETSTEP = 0x404,
                      PBM_STEPIT = 0x405, PBM_SETRANGE32 = 0x406, PBM_GETRANGE = 0x407, PBM_GETPOS = 0x408,
                      PBM_SETBARCOLOR = 0x409, PBM_SETBKCOLOR = 0x2001;
struct PBRANGE {
  int iLow = 0, iHigh = 0;
};

// ---- track bar (msctls_trackbar32) ----
inline constexpr DWORD TBS_HORZ = 0x0, TBS_VERT = 0x2, TBS_NOTICKS = 0x10, TBS_BOTH = 0x8, TBS_NOTHUMB = 0x80;
inline constexpr UINT TBM_GETPOS = 0x400, TBM_GETRANGEMIN = 0x401, TBM_GETRANGEMAX = 0x402, TBM_SETPOS = 0x405,
                      TBM_SETRANGE = 0x406, TBM_SETRANGEMIN = 0x407, TBM_SETRANGEMAX = 0x408,
                      TBM_SETPAGESIZE = 0x415, TBM_GETPAGESIZE = 0x416, TBM_SETLINESIZE = 0x417,
                      TBM_GETLINESIZE = 0x418, TBM_GETTHUMBRECT = 0x419, TBM_GETCHANNELRECT = 0x41A;
// Custom-draw item identifiers (dwItemSpec) of a track bar's parts.
inline constexpr ULONG_PTR TBCD_TICS = 1, TBCD_THUMB = 2, TBCD_CHANNEL = 3;
inline constexpr int TB_LINEUP = 0, TB_LINEDOWN = 1, TB_PAGEUP = 2, TB_PAGEDOWN = 3, TB_THUMBPOSITION = 4,
                     TB_THUMBTRACK = 5, TB_TOP = 6, TB_BOTTOM = 7, TB_ENDTRACK = 8;

// ---- up-down (msctls_updown32) ----
inline constexpr DWORD UDS_WRAP = 0x1, UDS_SETBUDDYINT = 0x2, UDS_ALIGNRIGHT = 0x4, UDS_ALIGNLEFT = 0x8,
                       UDS_AUTOBUDDY = 0x10, UDS_ARROWKEYS = 0x20, UDS_HORZ = 0x40, UDS_NOTHOUSANDS = 0x80;
inline constexpr UINT UDM_SETRANGE = 0x465, UDM_GETRANGE = 0x466, UDM_SETPOS = 0x467, UDM_GETPOS = 0x468,
                      UDM_SETBUDDY = 0x469, UDM_GETBUDDY = 0x46A, UDM_SETRANGE32 = 0x46F,
                      UDM_GETRANGE32 = 0x470, UDM_SETPOS32 = 0x471, UDM_GETPOS32 = 0x472;
inline constexpr UINT UDN_DELTAPOS = static_cast<UINT>(-722);
struct NMUPDOWN {
  NMHDR hdr;
  int iPos = 0, iDelta = 0;
};

// ---- header (SysHeader32) ----
inline constexpr UINT HDM_GETITEMCOUNT = 0x1200, HDM_INSERTITEMA = 0x1201, HDM_DELETEITEM = 0x1202,
                      HDM_GETITEMA = 0x1203, HDM_SETITEMA = 0x1204, HDM_HITTEST = 0x1206,
                      HDM_GETITEMRECT = 0x1207, HDM_SETIMAGELIST = 0x1208, HDM_GETIMAGELIST = 0x1209,
                      HDM_INSERTITEMW = 0x120A, HDM_GETITEMW = 0x120B, HDM_SETITEMW = 0x120C,
                      HDM_INSERTITEM = HDM_INSERTITEMW, HDM_GETITEM = HDM_GETITEMW, HDM_SETITEM = HDM_SETITEMW;
inline constexpr UINT HDI_WIDTH = 0x1, HDI_TEXT = 0x2, HDI_FORMAT = 0x4, HDI_LPARAM = 0x8, HDI_IMAGE = 0x20;
inline constexpr int HDF_LEFT = 0, HDF_RIGHT = 1, HDF_CENTER = 2, HDF_IMAGE = 0x800, HDF_STRING = 0x4000,
                     HDF_OWNERDRAW = 0x8000;
inline constexpr UINT HDN_ITEMCLICK = static_cast<UINT>(-322);
struct HDITEM {
  UINT mask = 0;
  int cxy = 0;
  char* pszText = nullptr;
  HBITMAP hbm = nullptr;
  int cchTextMax = 0;
  int fmt = 0;
  LPARAM lParam = 0;
  int iImage = -1;
  int iOrder = 0;
};
struct NMHEADER {
  NMHDR hdr;
  int iItem = -1;
  int iButton = 0;
  HDITEM* pitem = nullptr;
};

// ---- list view (SysListView32, report view) ----
inline constexpr DWORD LVS_ICON = 0x0, LVS_REPORT = 0x1, LVS_SMALLICON = 0x2, LVS_LIST = 0x3, LVS_TYPEMASK = 0x3,
                       LVS_SINGLESEL = 0x4, LVS_SHOWSELALWAYS = 0x8, LVS_NOCOLUMNHEADER = 0x4000;
inline constexpr UINT LVM_GETBKCOLOR = 0x1000, LVM_SETBKCOLOR = 0x1001, LVM_GETITEMCOUNT = 0x1004,
                      LVM_GETITEMA = 0x1005, LVM_INSERTITEMA = 0x1007, LVM_DELETEITEM = 0x1008,
                      LVM_DELETEALLITEMS = 0x1009, LVM_GETNEXTITEM = 0x100C, LVM_GETITEMRECT = 0x100E,
                      LVM_HITTEST = 0x1012, LVM_INSERTCOLUMNA = 0x101B, LVM_DELETECOLUMN = 0x101C,
                      LVM_GETCOLUMNWIDTH = 0x101D, LVM_SETCOLUMNWIDTH = 0x101E, LVM_GETHEADER = 0x101F,
                      LVM_GETTOPINDEX = 0x1027, LVM_GETCOUNTPERPAGE = 0x1028, LVM_SETITEMSTATE = 0x102B,
                      LVM_GETITEMSTATE = 0x102C, LVM_GETITEMTEXTA = 0x102D, LVM_SETITEMTEXTA = 0x102E,
                      LVM_GETSELECTEDCOUNT = 0x1032, LVM_SETEXTENDEDLISTVIEWSTYLE = 0x1036,
                      LVM_GETEXTENDEDLISTVIEWSTYLE = 0x1037, LVM_INSERTITEMW = 0x104D,
                      LVM_INSERTCOLUMNW = 0x1061, LVM_GETITEMTEXTW = 0x1073, LVM_SETITEMTEXTW = 0x1074,
                      LVM_INSERTITEM = LVM_INSERTITEMW, LVM_INSERTCOLUMN = LVM_INSERTCOLUMNW,
                      LVM_GETITEMTEXT = LVM_GETITEMTEXTW, LVM_SETITEMTEXT = LVM_SETITEMTEXTW;
inline constexpr UINT LVIF_TEXT = 0x1, LVIF_IMAGE = 0x2, LVIF_PARAM = 0x4, LVIF_STATE = 0x8;
inline constexpr UINT LVIS_FOCUSED = 0x1, LVIS_SELECTED = 0x2;
inline constexpr UINT LVNI_ALL = 0x0, LVNI_FOCUSED = 0x1, LVNI_SELECTED = 0x2;
inline constexpr UINT LVCF_FMT = 0x1, LVCF_WIDTH = 0x2, LVCF_TEXT = 0x4, LVCF_SUBITEM = 0x8;
inline constexpr UINT LVN_ITEMCHANGED = static_cast<UINT>(-101), LVN_COLUMNCLICK = static_cast<UINT>(-108);
struct LVITEM {
  UINT mask = 0;
  int iItem = 0, iSubItem = 0;
  UINT state = 0, stateMask = 0;
  char* pszText = nullptr;
  int cchTextMax = 0;
  int iImage = -1;
  LPARAM lParam = 0;
};
struct LVCOLUMN {
  UINT mask = 0;
  int fmt = 0, cx = 0;
  char* pszText = nullptr;
  int cchTextMax = 0, iSubItem = 0;
};
struct NMLISTVIEW {
  NMHDR hdr;
  int iItem = -1, iSubItem = 0;
  UINT uNewState = 0, uOldState = 0, uChanged = 0;
  POINT ptAction{};
  LPARAM lParam = 0;
};

// ---- tool bar (ToolbarWindow32) ----
inline constexpr DWORD TBSTYLE_FLAT = 0x800, TBSTYLE_LIST = 0x1000, TBSTYLE_TOOLTIPS = 0x100;
inline constexpr BYTE TBSTATE_CHECKED = 0x1, TBSTATE_PRESSED = 0x2, TBSTATE_ENABLED = 0x4, TBSTATE_HIDDEN = 0x8,
                      TBSTATE_INDETERMINATE = 0x10;
inline constexpr BYTE BTNS_BUTTON = 0x0, BTNS_SEP = 0x1, BTNS_CHECK = 0x2, BTNS_GROUP = 0x4, BTNS_DROPDOWN = 0x8,
                      BTNS_AUTOSIZE = 0x10, BTNS_SHOWTEXT = 0x40, BTNS_WHOLEDROPDOWN = 0x80;
inline constexpr UINT TB_ENABLEBUTTON = 0x401, TB_CHECKBUTTON = 0x402, TB_PRESSBUTTON = 0x403,
                      TB_HIDEBUTTON = 0x404, TB_ISBUTTONENABLED = 0x409, TB_ISBUTTONCHECKED = 0x40A,
                      TB_ISBUTTONPRESSED = 0x40B, TB_SETSTATE = 0x411, TB_GETSTATE = 0x412,
                      TB_ADDBUTTONSA = 0x414, TB_INSERTBUTTONA = 0x415, TB_DELETEBUTTON = 0x416,
                      TB_GETBUTTON = 0x417, TB_BUTTONCOUNT = 0x418, TB_COMMANDTOINDEX = 0x419,
                      TB_GETITEMRECT = 0x41D, TB_BUTTONSTRUCTSIZE = 0x41E, TB_SETBUTTONSIZE = 0x41F,
                      TB_AUTOSIZE = 0x421, TB_SETIMAGELIST = 0x430, TB_GETIMAGELIST = 0x431, TB_GETRECT = 0x433,
                      TB_GETBUTTONSIZE = 0x43A, TB_INSERTBUTTONW = 0x443, TB_ADDBUTTONSW = 0x444,
                      TB_GETHOTITEM = 0x447, TB_ADDBUTTONS = TB_ADDBUTTONSW, TB_INSERTBUTTON = TB_INSERTBUTTONW;
inline constexpr UINT TBN_DROPDOWN = static_cast<UINT>(-710);
inline constexpr LRESULT TBDDRET_DEFAULT = 0;
struct TBBUTTON {
  int iBitmap = 0;
  int idCommand = 0;
  BYTE fsState = 0;
  BYTE fsStyle = 0;
  BYTE bReserved[6]{};
  ULONG_PTR dwData = 0;
  std::intptr_t iString = 0;  // a pointer to UTF-8 text
};
struct NMTOOLBAR {
  NMHDR hdr;
  int iItem = 0;
  TBBUTTON tbButton;
  int cchText = 0;
  char* pszText = nullptr;
  RECT rcButton{};
};

// ---- date-time picker (SysDateTimePick32) and month calendar (SysMonthCal32) ----
struct SYSTEMTIME {
  WORD wYear = 0, wMonth = 0, wDayOfWeek = 0, wDay = 0, wHour = 0, wMinute = 0, wSecond = 0, wMilliseconds = 0;
};
inline constexpr DWORD DTS_SHORTDATEFORMAT = 0x0, DTS_UPDOWN = 0x1, DTS_SHOWNONE = 0x2, DTS_LONGDATEFORMAT = 0x4,
                       DTS_TIMEFORMAT = 0x9, DTS_RIGHTALIGN = 0x20;
inline constexpr UINT DTM_GETSYSTEMTIME = 0x1001, DTM_SETSYSTEMTIME = 0x1002, DTM_GETRANGE = 0x1003,
                      DTM_SETRANGE = 0x1004, DTM_SETFORMATA = 0x1005, DTM_SETMCCOLOR = 0x1006,
                      DTM_GETMCCOLOR = 0x1007, DTM_GETMONTHCAL = 0x1008, DTM_SETMCFONT = 0x1009,
                      DTM_GETMCFONT = 0x100A;
inline constexpr LRESULT GDT_ERROR = -1, GDT_VALID = 0, GDT_NONE = 1;
inline constexpr DWORD GDTR_MIN = 0x1, GDTR_MAX = 0x2;
inline constexpr UINT DTN_CLOSEUP = static_cast<UINT>(-753), DTN_DROPDOWN = static_cast<UINT>(-754),
                      DTN_DATETIMECHANGE = static_cast<UINT>(-759);
struct NMDATETIMECHANGE {
  NMHDR nmhdr;
  DWORD dwFlags = 0;  // GDT_VALID or GDT_NONE
  SYSTEMTIME st;
};
inline constexpr UINT MCM_GETCURSEL = 0x1001, MCM_SETCURSEL = 0x1002, MCM_GETMINREQRECT = 0x1009,
                      MCM_GETRANGE = 0x1011, MCM_SETRANGE = 0x1012;
inline constexpr UINT MCN_SELCHANGE = static_cast<UINT>(-749), MCN_SELECT = static_cast<UINT>(-746);
struct NMSELCHANGE {
  NMHDR nmhdr;
  SYSTEMTIME stSelStart, stSelEnd;
};

// ---- message box and input box ("#32770" dialogs) ----
inline constexpr UINT MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3,
                      MB_YESNO = 0x4, MB_RETRYCANCEL = 0x5, MB_TYPEMASK = 0xF, MB_ICONHAND = 0x10,
                      MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30,
                      MB_ICONWARNING = 0x30, MB_ICONASTERISK = 0x40, MB_ICONINFORMATION = 0x40,
                      MB_ICONMASK = 0xF0, MB_DEFBUTTON1 = 0x0, MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200,
                      MB_DEFMASK = 0xF00, MB_APPLMODAL = 0x0, MB_SYSTEMMODAL = 0x1000, MB_TASKMODAL = 0x2000,
                      MB_SETFOREGROUND = 0x10000, MB_TOPMOST = 0x40000;
inline constexpr const char* kDialogClass = "#32770";
// Id of the message text and of the input box's edit in their dialogs.
inline constexpr int kMessageTextId = 0xFFFF, kInputEditId = 100, kInputPromptId = 101;
// Runs a modal "#32770" dialog with the text, an icon mark and the buttons of `type`; the owner is
// disabled meanwhile. Answers the id of the pressed button (IDCANCEL for Esc or the close box where
// the box has a Cancel button, the only button's id otherwise), 0 on failure.
int MessageBox(HWND owner, std::string_view text, std::string_view caption, UINT type);
// Runs a modal input box: a prompt, an edit holding `value`, OK and Cancel. On OK `value` takes the
// edit's text and the answer is true.
bool InputBox(HWND owner, std::string_view caption, std::string_view prompt, std::string& value);
// Ends a modal dialog of this layer with `result`.
BOOL EndDialog(HWND dialog, std::intptr_t result);

}  // namespace platform::win

namespace platform::win {
// The process's own clipboard text (the edits' copy, cut and paste use it).
void SetClipboardText(std::string_view text);
std::string GetClipboardText();
}  // namespace platform::win

// ---- scroll bars ----
namespace platform::win {
inline constexpr int SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3;
inline constexpr int SB_LINEUP = 0, SB_LINELEFT = 0, SB_LINEDOWN = 1, SB_LINERIGHT = 1, SB_PAGEUP = 2,
                     SB_PAGELEFT = 2, SB_PAGEDOWN = 3, SB_PAGERIGHT = 3, SB_THUMBPOSITION = 4, SB_THUMBTRACK = 5,
                     SB_TOP = 6, SB_LEFT = 6, SB_BOTTOM = 7, SB_RIGHT = 7, SB_ENDSCROLL = 8;
inline constexpr UINT SIF_RANGE = 0x1, SIF_PAGE = 0x2, SIF_POS = 0x4, SIF_DISABLENOSCROLL = 0x8,
                      SIF_TRACKPOS = 0x10, SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
inline constexpr DWORD SBS_HORZ = 0x0, SBS_VERT = 0x1, SBS_SIZEBOX = 0x8, SBS_SIZEGRIP = 0x10;
inline constexpr UINT SBM_SETPOS = 0xE0, SBM_GETPOS = 0xE1, SBM_SETRANGE = 0xE2, SBM_GETRANGE = 0xE3,
                      SBM_ENABLE_ARROWS = 0xE4, SBM_SETRANGEREDRAW = 0xE6, SBM_SETSCROLLINFO = 0xE9,
                      SBM_GETSCROLLINFO = 0xEA, SBM_GETSCROLLBARINFO = 0xEB;
inline constexpr UINT ESB_ENABLE_BOTH = 0x0, ESB_DISABLE_LTUP = 0x1, ESB_DISABLE_RTDN = 0x2, ESB_DISABLE_BOTH = 0x3;
struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0, nMax = 0;
  UINT nPage = 0;
  int nPos = 0, nTrackPos = 0;
};
// rgstate: [0] the bar, [1] top arrow, [2] page-up area, [3] thumb, [4] page-down area, [5] bottom arrow.
struct SCROLLBARINFO {
  DWORD cbSize = sizeof(SCROLLBARINFO);
  RECT rcScrollBar{};  // screen coordinates
  int dxyLineButton = 0, xyThumbTop = 0, xyThumbBottom = 0, reserved = 0;
  DWORD rgstate[6]{};
};
int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw);  // answers the position
BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info);
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);  // answers the previous position
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* min, int* max);
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);
BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows);
// `object`: OBJID_VSCROLL, OBJID_HSCROLL or OBJID_CLIENT (a "ScrollBar" control).
BOOL GetScrollBarInfo(HWND hwnd, LONG object, SCROLLBARINFO* info);
}  // namespace platform::win

namespace platform::win {
struct TCHITTESTINFO {
  POINT pt{};
  UINT flags = 0;  // TCHT_*
};
inline constexpr UINT TCHT_NOWHERE = 0x1, TCHT_ONITEMICON = 0x2, TCHT_ONITEMLABEL = 0x4,
                      TCHT_ONITEM = TCHT_ONITEMICON | TCHT_ONITEMLABEL;
}  // namespace platform::win

// ---- menus ----
namespace platform::win {
inline constexpr UINT MF_INSERT = 0x0, MF_CHANGE = 0x80, MF_APPEND = 0x100, MF_DELETE = 0x200, MF_REMOVE = 0x1000,
                      MF_BYCOMMAND = 0x0, MF_BYPOSITION = 0x400, MF_SEPARATOR = 0x800, MF_ENABLED = 0x0,
                      MF_GRAYED = 0x1, MF_DISABLED = 0x2, MF_UNCHECKED = 0x0, MF_CHECKED = 0x8, MF_STRING = 0x0,
                      MF_BITMAP = 0x4, MF_OWNERDRAW = 0x100, MF_POPUP = 0x10, MF_MENUBARBREAK = 0x20,
                      MF_MENUBREAK = 0x40, MF_UNHILITE = 0x0, MF_HILITE = 0x80, MF_DEFAULT = 0x1000,
                      MF_SYSMENU = 0x2000, MF_MOUSESELECT = 0x8000;
inline constexpr UINT MFT_STRING = MF_STRING, MFT_BITMAP = MF_BITMAP, MFT_MENUBARBREAK = MF_MENUBARBREAK,
                      MFT_MENUBREAK = MF_MENUBREAK, MFT_OWNERDRAW = MF_OWNERDRAW, MFT_RADIOCHECK = 0x200,
                      MFT_SEPARATOR = MF_SEPARATOR, MFT_RIGHTORDER = 0x2000, MFT_RIGHTJUSTIFY = 0x4000;
inline constexpr UINT MFS_GRAYED = 0x3, MFS_DISABLED = MFS_GRAYED, MFS_CHECKED = MF_CHECKED, MFS_HILITE = MF_HILITE,
                      MFS_ENABLED = MF_ENABLED, MFS_UNCHECKED = MF_UNCHECKED, MFS_UNHILITE = MF_UNHILITE,
                      MFS_DEFAULT = MF_DEFAULT;
inline constexpr UINT MIIM_STATE = 0x1, MIIM_ID = 0x2, MIIM_SUBMENU = 0x4, MIIM_CHECKMARKS = 0x8, MIIM_TYPE = 0x10,
                      MIIM_DATA = 0x20, MIIM_STRING = 0x40, MIIM_BITMAP = 0x80, MIIM_FTYPE = 0x100;
inline constexpr UINT TPM_LEFTBUTTON = 0x0, TPM_RIGHTBUTTON = 0x2, TPM_LEFTALIGN = 0x0, TPM_CENTERALIGN = 0x4,
                      TPM_RIGHTALIGN = 0x8, TPM_TOPALIGN = 0x0, TPM_VCENTERALIGN = 0x10, TPM_BOTTOMALIGN = 0x20,
                      TPM_NONOTIFY = 0x80, TPM_RETURNCMD = 0x100;
inline constexpr const char* kMenuClass = "#32768";
struct MENUITEMINFO {
  UINT cbSize = sizeof(MENUITEMINFO);
  UINT fMask = 0, fType = 0, fState = 0, wID = 0;
  HMENU hSubMenu = nullptr;
  HBITMAP hbmpChecked = nullptr, hbmpUnchecked = nullptr;
  ULONG_PTR dwItemData = 0;
  char* dwTypeData = nullptr;  // UTF-8 text
  UINT cch = 0;
  HBITMAP hbmpItem = nullptr;
};
HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu);  // with its submenus
BOOL IsMenu(HMENU menu);
BOOL AppendMenu(HMENU menu, UINT flags, std::uintptr_t id_or_popup, const char* text);
BOOL InsertMenu(HMENU menu, UINT position, UINT flags, std::uintptr_t id_or_popup, const char* text);
BOOL InsertMenuItem(HMENU menu, UINT item, BOOL by_position, const MENUITEMINFO* info);
BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, std::uintptr_t id_or_popup, const char* text);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);  // keeps a submenu alive
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);  // destroys a submenu
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);  // -1 for a submenu or a bad position
HMENU GetSubMenu(HMENU menu, int position);
UINT GetMenuState(HMENU menu, UINT id, UINT flags);
int GetMenuString(HMENU menu, UINT id, char* buffer, int size, UINT flags);
BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL by_position, MENUITEMINFO* info);
BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL by_position, const MENUITEMINFO* info);
DWORD CheckMenuItem(HMENU menu, UINT id, UINT check);     // answers the previous state, -1 if none
BOOL EnableMenuItem(HMENU menu, UINT id, UINT enable);    // answers the previous state, -1 if none
BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT by_position);
HMENU GetMenu(HWND hwnd);
BOOL SetMenu(HWND hwnd, HMENU menu);
BOOL DrawMenuBar(HWND hwnd);
// The window's own copy of the system menu; `revert` restores the default one.
HMENU GetSystemMenu(HWND hwnd, BOOL revert);
BOOL GetMenuItemRect(HWND hwnd, HMENU menu, UINT position, RECT* out);
// Runs the popup menu as a modal loop; with TPM_RETURNCMD answers the chosen id (0 for none),
// otherwise posts WM_COMMAND to `owner` and answers whether an item was chosen.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* unused);
BOOL EndMenu();
}  // namespace platform::win

namespace platform::win {
inline constexpr COLORREF CLR_DEFAULT = 0xFF000000;
struct HDHITTESTINFO {
  POINT pt{};
  UINT flags = 0;
  int iItem = -1;
};
struct LVHITTESTINFO {
  POINT pt{};
  UINT flags = 0;
  int iItem = -1;
  int iSubItem = 0;
};
inline constexpr UINT HHT_NOWHERE = 0x1, HHT_ONHEADER = 0x2, LVHT_NOWHERE = 0x1, LVHT_ONITEMLABEL = 0x4,
                      LVHT_ONITEM = 0xE;
inline constexpr int LVIR_BOUNDS = 0, LVIR_ICON = 1, LVIR_LABEL = 2;
inline constexpr UINT LVM_GETITEMW = 0x104B, LVM_SETITEMW = 0x104C, LVM_SETITEMA = 0x1006,
                      LVM_GETCOLUMNA = 0x1019, LVM_SETCOLUMNA = 0x101A, LVM_SUBITEMHITTEST = 0x1039,
                      LVM_GETSUBITEMRECT = 0x1038, LVM_ENSUREVISIBLE = 0x1013;
}  // namespace platform::win
