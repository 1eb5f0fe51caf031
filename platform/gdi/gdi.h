// The drawing calls of the platform layer: GDI objects behind handles, device contexts over bitmaps
// (and, through the surface hook below, over the window system's backing bitmaps), blits with raster
// operations, shapes, regions, fonts and text. Names, arguments and answers follow the calls that the
// skin engine and the console are written against; handles are opaque and checked on every call, so a
// stale or wrong handle gives the failure answer instead of a crash.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/gdi_types.h"
#include "platform/gdi/region.h"

namespace platform::gdi {

struct HDC__;
struct HPEN__;
struct HBRUSH__;
struct HFONT__;
struct HBITMAP__;
struct HRGN__;
using HDC = HDC__*;
using HPEN = HPEN__*;
using HBRUSH = HBRUSH__*;
using HFONT = HFONT__*;
using HBITMAP = HBITMAP__*;
using HRGN = HRGN__*;
using HGDIOBJ = void*;

// ---- objects ----
struct LOGPEN {
  UINT lopnStyle = PS_SOLID;
  POINT lopnWidth{1, 0};
  COLORREF lopnColor = 0;
};
struct LOGBRUSH {
  UINT lbStyle = BS_SOLID;
  COLORREF lbColor = 0;
  std::uintptr_t lbHatch = 0;  // BS_PATTERN: the HBITMAP; BS_HATCHED: the HS_ style
};
struct LOGFONT {
  LONG lfHeight = 0;  // < 0: character (em) height in pixels; > 0: cell height; 0: default
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = FW_NORMAL;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = DEFAULT_CHARSET;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = DEFAULT_QUALITY;
  BYTE lfPitchAndFamily = 0;
  std::string lfFaceName;  // UTF-8
};
struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 0;
};

HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* lp);
HBRUSH CreateSolidBrush(COLORREF color);
// Lines of the brush colour every 8 pixels of the device (from the brush origin) in the HS_ style's
// directions; the gaps take the DC's background colour in OPAQUE mode and are left alone in
// TRANSPARENT mode. An unknown style gives nullptr.
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HBRUSH CreatePatternBrush(HBITMAP bitmap);  // copies the bitmap; a monochrome one uses text/back colours
HBRUSH CreateBrushIndirect(const LOGBRUSH* lb);
HBRUSH GetSysColorBrush(int index);         // stock brush of the system colour
HFONT CreateFontIndirect(const LOGFONT* lf);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strike_out, DWORD charset, DWORD out_precision,
                 DWORD clip_precision, DWORD quality, DWORD pitch_and_family, std::string_view face);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// Hands a pixel bitmap to the object table (the layer's stand-in for a device-independent section).
HBITMAP CreateBitmapFromPixels(Bitmap bitmap);
// Direct access to a bitmap object's pixels (scan lines), nullptr for a bad handle.
Bitmap* GetBitmapPixels(HBITMAP bitmap);
HGDIOBJ GetStockObject(int index);
BOOL DeleteObject(HGDIOBJ object);
DWORD GetObjectType(HGDIOBJ object);
int GetObject(HGDIOBJ object, int size, void* out);  // LOGPEN, LOGBRUSH, LOGFONT or BITMAP
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);        // a region: as SelectClipRgn, answers its kind
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
// Number of live objects made by the Create calls (stock objects excluded); tests use it for leaks.
std::size_t live_object_count();

// ---- system colours ----
COLORREF GetSysColor(int index);
BOOL SetSysColors(int count, const int* indexes, const COLORREF* colors);
void reset_sys_colors();  // back to the fixed default profile
// Plain RGB of a colour value: system colours (0xFF0000nn and 0x800000nn) resolved.
COLORREF resolve_color(COLORREF c);

// ---- device contexts ----
HDC CreateCompatibleDC(HDC dc);  // a memory DC holding a 1x1 monochrome bitmap until one is selected
BOOL DeleteDC(HDC dc);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);  // negative: relative to the newest saved state
int GetDeviceCaps(HDC dc, int index);

// The hook of the window system: a DC that draws onto `surface` (not owned), with the DC's device
// point (0, 0) at `origin` of the surface, limited to `visible` (surface coordinates). The window
// system makes its window, client and paint DCs with it and rebinds them when a window moves.
struct DcSurface {
  Bitmap* surface = nullptr;
  POINT origin{};
  Region visible;
};
HDC CreateSurfaceDC(const DcSurface& surface);
BOOL SetDCSurface(HDC dc, const DcSurface& surface);

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetViewportOrgEx(HDC dc, POINT* out);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetWindowOrgEx(HDC dc, POINT* out);
BOOL LPtoDP(HDC dc, POINT* points, int count);
BOOL DPtoLP(HDC dc, POINT* points, int count);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old);

COLORREF SetTextColor(HDC dc, COLORREF c);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF c);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetROP2(HDC dc, int rop2);
int GetROP2(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
COLORREF SetDCBrushColor(HDC dc, COLORREF c);
COLORREF SetDCPenColor(HDC dc, COLORREF c);

// Clipping. The clip region is kept in device coordinates; the rectangle calls take logical ones.
int SelectClipRgn(HDC dc, HRGN region);  // nullptr removes the clip region
int ExtSelectClipRgn(HDC dc, HRGN region, int mode);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC dc, int dx, int dy);
int GetClipBox(HDC dc, RECT* out);        // logical coordinates; answers the region kind
int GetClipRgn(HDC dc, HRGN out);         // 1 with a copy, 0 without a clip region, -1 on error
BOOL RectVisible(HDC dc, const RECT* r);
BOOL PtVisible(HDC dc, int x, int y);

// ---- regions ----
struct RGNDATAHEADER {
  DWORD dwSize = 32;
  DWORD iType = RDH_RECTANGLES;
  DWORD nCount = 0;
  DWORD nRgnSize = 0;
  RECT rcBound{};
};
struct RGNDATA {
  RGNDATAHEADER rdh;
  std::vector<RECT> Buffer;  // rdh.nCount rectangles
};
struct XFORM {
  float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
};
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* r);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ew, int eh);
// `size` is the byte size the caller states (32 + 16 x count); translations are applied, other
// transforms are refused.
HRGN ExtCreateRegion(const XFORM* xform, DWORD size, const RGNDATA* data);
HRGN CreateRegionFrom(Region region);
DWORD GetRegionData(HRGN region, DWORD size, RGNDATA* out);  // without `out`: the size needed
int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
int OffsetRgn(HRGN region, int dx, int dy);
int GetRgnBox(HRGN region, RECT* out);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT* r);
BOOL EqualRgn(HRGN a, HRGN b);
const Region* GetRegion(HRGN region);  // direct access for the window system

// ---- blits ----
BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop);
BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop);
BOOL MaskBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, HBITMAP mask, int mx, int my,
             DWORD rop4);
BOOL PatBlt(HDC dc, int x, int y, int w, int h, DWORD rop);
COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF c);

struct BITMAPINFOHEADER {
  DWORD biSize = 40;
  LONG biWidth = 0;
  LONG biHeight = 0;  // > 0 bottom-up, < 0 top-down
  WORD biPlanes = 1;
  WORD biBitCount = 32;
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
inline constexpr UINT DIB_RGB_COLORS = 0;
// 24 or 32 bits per pixel, uncompressed. Without `bits` only the header is filled in.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFOHEADER* info, UINT usage);
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFOHEADER* info,
              UINT usage);

// ---- shapes ----
int FillRect(HDC dc, const RECT* r, HBRUSH brush);  // brush may be a (HBRUSH)(COLOR_x + 1) value
int FrameRect(HDC dc, const RECT* r, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* r);
BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);
BOOL PaintRgn(HDC dc, HRGN region);
BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int w, int h);
BOOL InvertRgn(HDC dc, HRGN region);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int ew, int eh);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL Polygon(HDC dc, const POINT* points, int count);
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL MoveToEx(HDC dc, int x, int y, POINT* old);
BOOL LineTo(HDC dc, int x, int y);
BOOL GetCurrentPositionEx(HDC dc, POINT* out);
BOOL DrawEdge(HDC dc, RECT* r, UINT edge, UINT flags);
BOOL DrawFocusRect(HDC dc, const RECT* r);
BOOL GradientFill(HDC dc, const TRIVERTEX* vertices, UINT nvertices, const void* mesh, UINT nmesh, DWORD mode);

// ---- text ----
struct TEXTMETRIC {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
  LONG tmDigitizedAspectX = 96;
  LONG tmDigitizedAspectY = 96;
  char32_t tmFirstChar = 0x20;
  char32_t tmLastChar = 0xFFFF;
  char32_t tmDefaultChar = 0x20;
  char32_t tmBreakChar = 0x20;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;
  BYTE tmCharSet = 0;
};
// Face name of the built-in bitmap font: fixed 6-pixel cells (12 for wide characters) of 10 pixels
// (ascent 8), scaled by whole numbers for bigger heights, drawn without anti-aliasing. Snapshots and
// placement tests use it so that they do not depend on installed fonts.
inline constexpr std::string_view kTestFontFace = "Test Bitmap";

BOOL TextOut(HDC dc, int x, int y, std::string_view text);
BOOL TextOut(HDC dc, int x, int y, std::u16string_view text);
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, std::string_view text, const int* dx);
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, std::u16string_view text, const int* dx);
// Answers the text height (the offset from the top to the text's bottom with DT_VCENTER or
// DT_BOTTOM), 0 on failure.
int DrawText(HDC dc, std::string_view text, RECT* r, UINT format);
int DrawText(HDC dc, std::u16string_view text, RECT* r, UINT format);
// The same for a text the call may change: with DT_MODIFYSTRING and an ellipsis flag, a
// one-line text that had to be shortened is replaced by what was shown ('&' prefixes kept).
int DrawText(HDC dc, std::string* text, RECT* r, UINT format);
int DrawText(HDC dc, std::u16string* text, RECT* r, UINT format);
BOOL GetTextExtentPoint32(HDC dc, std::string_view text, SIZE* size);
BOOL GetTextExtentPoint32(HDC dc, std::u16string_view text, SIZE* size);
// Characters that fit in max_extent (fit) and the extent after each character (dx, may be null).
BOOL GetTextExtentExPoint(HDC dc, std::u16string_view text, int max_extent, int* fit, int* dx, SIZE* size);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm);
int GetTextFace(HDC dc, std::string* face);  // the face actually used (after aliasing)

// ---- image lists ----
struct HIMAGELIST__;
using HIMAGELIST = HIMAGELIST__*;
inline constexpr UINT ILC_MASK = 0x1, ILC_COLOR = 0x0, ILC_COLOR4 = 0x4, ILC_COLOR8 = 0x8,
                      ILC_COLOR16 = 0x10, ILC_COLOR24 = 0x18, ILC_COLOR32 = 0x20;
inline constexpr UINT ILD_NORMAL = 0x0, ILD_TRANSPARENT = 0x1, ILD_MASK = 0x10, ILD_IMAGE = 0x20;
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);  // answers the first new index or -1
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF key);
BOOL ImageList_Remove(HIMAGELIST list, int index);  // -1 removes all
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF c);
COLORREF ImageList_GetBkColor(HIMAGELIST list);
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
// The greyed picture of an image: its opaque pixels as COLOR_BTNHIGHLIGHT one pixel down and right,
// under the same pixels in COLOR_BTNSHADOW (the look of disabled tool and menu glyphs).
BOOL ImageList_DrawDisabled(HIMAGELIST list, int index, HDC dc, int x, int y);
// A bitmap whose bottom-left pixel gives its transparent colour (a button's glyph, an image's
// picture) drawn at (x, y), greyed as above when not `enabled`. Answers its size (0 x 0 for none).
SIZE DrawKeyedBitmap(HDC dc, int x, int y, HBITMAP bitmap, bool enabled);

}  // namespace platform::gdi

namespace platform::gdi {

// ---- icons: an AND mask and an XOR colour image, drawn as (destination AND mask) XOR image ----
struct HICON__;
using HICON = HICON__*;
struct ICONINFO {
  BOOL fIcon = TRUE;
  DWORD xHotspot = 0, yHotspot = 0;
  HBITMAP hbmMask = nullptr;   // monochrome; twice the height when there is no colour image
  HBITMAP hbmColor = nullptr;  // may be null
};
inline constexpr UINT DI_MASK = 0x1, DI_IMAGE = 0x2, DI_NORMAL = 0x3, DI_DEFAULTSIZE = 0x8;
inline constexpr UINT IMAGE_BITMAP = 0, IMAGE_ICON = 1;
inline constexpr UINT LR_DEFAULTCOLOR = 0, LR_COPYFROMRESOURCE = 0x4000, LR_COPYDELETEORG = 0x8;
HICON CreateIconIndirect(const ICONINFO* info);  // copies the bitmaps
BOOL DestroyIcon(HICON icon);
BOOL GetIconInfo(HICON icon, ICONINFO* info);    // fresh copies of the bitmaps for the caller
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flicker_free, UINT flags);
// IMAGE_ICON or IMAGE_BITMAP, resized (nearest pixel) to cx x cy when they are not 0.
void* CopyImage(void* image, UINT type, int cx, int cy, UINT flags);

// System pictures by number (no module): OBM_CHECK, a 13x13 monochrome check mark whose mark
// pixels are 0 (drawn in the text colour) on 1 (the background colour). Others give nullptr.
inline constexpr int OBM_CHECK = 32760;
HBITMAP LoadBitmap(void* instance, int name);

}  // namespace platform::gdi
