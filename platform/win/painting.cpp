// Invalidation, paint messages and device contexts over the top-level windows' backing bitmaps.
#include <algorithm>
#include <unordered_map>

#include "platform/win/window_internal.h"

namespace platform::win {
namespace detail {

namespace {

std::unordered_map<HDC, HWND>& dc_owners() {
  static std::unordered_map<HDC, HWND> m;
  return m;
}

// A child's top-left corner in its parent's window coordinates.
POINT child_offset(const Window* c) {
  RECT pc = client_rect_local(c->parent);
  return {c->rect.left + pc.left, c->rect.top + pc.top};
}

bool includes_children(const Window* w, UINT flags) {
  if (flags & RDW_ALLCHILDREN) return true;
  if (flags & RDW_NOCHILDREN) return false;
  return !(w->style & WS_CLIPCHILDREN);
}

HDC make_dc(Window* w, bool whole_window, const gdi::Region* limit_top) {
  Window* top = root_of(w);
  if (!top->backing) return nullptr;
  gdi::DcSurface surf;
  surf.surface = top->backing.get();
  POINT o = origin_in_top(w);
  if (!whole_window) {
    RECT cl = client_rect_local(w);
    o.x += cl.left;
    o.y += cl.top;
  }
  surf.origin = o;
  surf.visible = visible_region(w, !whole_window);
  if (limit_top) surf.visible = surf.visible & *limit_top;
  HDC dc = gdi::CreateSurfaceDC(surf);
  if (dc) dc_owners()[dc] = w->handle;
  return dc;
}

void update_now(Window* w, UINT flags) {
  HWND h = w->handle;
  if (is_visible(w) && (!w->update.empty() || w->internal_paint)) {
    if (!paint_nc_only(w)) {
      send(w, WM_PAINT, 0, 0);
      if ((w = get(h))) w->internal_paint = false;
    }
  }
  if (!(w = get(h))) return;
  if (!includes_children(w, flags)) return;
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids)
    if (Window* c = get(k)) update_now(c, flags);
}

Window* find_paint_in(Window* w, DWORD thread) {
  if (!(w->style & WS_VISIBLE)) return nullptr;
  if (w->thread == thread && (!w->update.empty() || w->internal_paint)) return w;
  for (Window* c : w->children)
    if (Window* f = find_paint_in(c, thread)) return f;
  return nullptr;
}

}  // namespace

void invalidate(Window* w, const gdi::Region& area_in, UINT flags) {
  gdi::Region area = area_in;
  RECT wr = window_rect_local(w);
  RECT cl = client_rect_local(w);
  area = area & gdi::Region(wr);
  if (flags & RDW_INVALIDATE) {
    if (is_visible(w)) {
      gdi::Region a = (flags & RDW_FRAME) ? area : (area & gdi::Region(cl));
      if (!a.empty()) {
        w->update = w->update | a;
        if (flags & RDW_ERASE) w->need_erase = true;
        if ((flags & RDW_FRAME) && !(a - gdi::Region(cl)).empty()) w->need_ncpaint = true;
      }
    }
  }
  if ((flags & RDW_INTERNALPAINT) && is_visible(w)) w->internal_paint = true;
  if (flags & RDW_NOINTERNALPAINT) w->internal_paint = false;
  if (flags & RDW_VALIDATE) {
    w->update = w->update - area;
    if (flags & RDW_NOERASE) w->need_erase = false;
    if (flags & RDW_NOFRAME) w->need_ncpaint = false;
    if (w->update.empty()) w->need_erase = w->need_ncpaint = false;
  }
  if (!includes_children(w, flags)) return;
  gdi::Region inner = area & gdi::Region(cl);
  if (inner.empty()) return;
  for (Window* c : w->children) {
    POINT off = child_offset(c);
    gdi::Region ca = inner;
    ca.offset(-off.x, -off.y);
    invalidate(c, ca, flags | (flags & RDW_INVALIDATE ? RDW_FRAME : 0));
  }
}

void on_geometry_changed(Window* w, const RECT& old_rect, bool size_changed, bool shown_or_hidden) {
  const UINT all = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN;
  if (w->parent) {
    Window* p = w->parent;
    RECT pc = client_rect_local(p);
    gdi::Region area = gdi::Region(old_rect) | gdi::Region(w->rect);
    area.offset(pc.left, pc.top);
    invalidate(p, area, all);  // covers the window itself at its new place
  } else {
    if (size_changed || shown_or_hidden) invalidate(w, gdi::Region(window_rect_local(w)), all);
    w->dirty = true;
  }
}

Window* find_paint_window(DWORD thread) {
  for (Window* t : state().top_levels)
    if (Window* f = find_paint_in(t, thread)) return f;
  return nullptr;
}

bool paint_nc_only(Window* w) {
  if (w->internal_paint) return false;
  RECT cl = client_rect_local(w);
  if (!(w->update & gdi::Region(cl)).empty()) return false;
  bool nc = w->need_ncpaint;
  w->update = gdi::Region();
  w->need_erase = w->need_ncpaint = false;
  if (nc) send(w, WM_NCPAINT, 1, 0);
  return true;
}

void erase_now(Window* w) {
  HWND h = w->handle;
  if (w->need_ncpaint) {
    w->need_ncpaint = false;
    send(w, WM_NCPAINT, 1, 0);
    if (!(w = get(h))) return;
  }
  if (w->need_erase) {
    w->need_erase = false;
    RECT cl = client_rect_local(w);
    gdi::Region upd = w->update & gdi::Region(cl);
    if (!upd.empty()) {
      upd.offset(origin_in_top(w).x, origin_in_top(w).y);
      HDC dc = make_dc(w, false, &upd);
      if (dc) {
        send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseDC(h, dc);
      }
      if (!(w = get(h))) return;
    }
  }
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids)
    if (Window* c = get(k)) erase_now(c);
}

void present_dirty() {
  auto& s = state();
  if (!s.display) return;
  std::vector<Window*> tops = s.top_levels;
  for (Window* t : tops) {
    if (!t->dirty || !t->backing) continue;
    t->dirty = false;
    s.display->present(t->handle, *t->backing);
  }
}

}  // namespace detail

using namespace detail;

namespace {

gdi::Region area_of(Window* w, const RECT* r, HRGN rgn, UINT flags) {
  RECT cl = client_rect_local(w);
  if (rgn) {
    const gdi::Region* reg = gdi::GetRegion(rgn);
    if (!reg) return {};
    gdi::Region a = *reg;
    a.offset(cl.left, cl.top);
    return a;
  }
  if (r) {
    RECT a = *r;
    gdi::OffsetRect(&a, cl.left, cl.top);
    return gdi::Region(a);
  }
  return (flags & RDW_FRAME) ? gdi::Region(window_rect_local(w)) : gdi::Region(cl);
}

}  // namespace

BOOL RedrawWindow(HWND hwnd, const RECT* r, HRGN region, UINT flags) {
  std::vector<HWND> targets;
  if (!hwnd || hwnd == GetDesktopWindow()) {
    for (Window* t : state().top_levels) targets.push_back(t->handle);
    r = nullptr;
    region = nullptr;
  } else {
    if (!get(hwnd)) return FALSE;
    targets.push_back(hwnd);
  }
  for (HWND h : targets) {
    Window* w = get(h);
    if (!w) continue;
    if (flags & (RDW_INVALIDATE | RDW_VALIDATE | RDW_INTERNALPAINT | RDW_NOINTERNALPAINT))
      invalidate(w, area_of(w, r, region, flags), flags);
    if ((flags & RDW_ERASENOW) && (w = get(h))) erase_now(w);
    if ((flags & RDW_UPDATENOW) && (w = get(h))) update_now(w, flags);
  }
  return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* r, BOOL erase) {
  return RedrawWindow(hwnd, r, nullptr, RDW_INVALIDATE | (erase ? static_cast<UINT>(RDW_ERASE) : 0u));
}

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
  return RedrawWindow(hwnd, nullptr, region, RDW_INVALIDATE | (erase ? static_cast<UINT>(RDW_ERASE) : 0u));
}

BOOL ValidateRect(HWND hwnd, const RECT* r) { return RedrawWindow(hwnd, r, nullptr, RDW_VALIDATE | RDW_NOCHILDREN); }

BOOL UpdateWindow(HWND hwnd) {
  if (!get(hwnd)) return FALSE;
  return RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

BOOL GetUpdateRect(HWND hwnd, RECT* out, BOOL erase) {
  Window* w = get(hwnd);
  if (!w) return FALSE;
  RECT cl = client_rect_local(w);
  gdi::Region u = w->update & gdi::Region(cl);
  if (out) {
    RECT b = u.empty() ? RECT{} : u.bounds();
    if (!u.empty()) gdi::OffsetRect(&b, -cl.left, -cl.top);
    *out = b;
  }
  if (erase && w->need_erase && !u.empty()) erase_now(w);
  return u.empty() ? FALSE : TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  Window* w = get(hwnd);
  if (!w || !ps) return nullptr;
  *ps = PAINTSTRUCT{};
  if (w->need_ncpaint) {
    w->need_ncpaint = false;
    send(w, WM_NCPAINT, 1, 0);
    if (!(w = get(hwnd))) return nullptr;
  }
  RECT cl = client_rect_local(w);
  gdi::Region upd = w->update & gdi::Region(cl);
  bool erase = w->need_erase;
  w->update = gdi::Region();
  w->need_erase = false;
  w->internal_paint = false;
  gdi::Region limit = upd;
  POINT o = origin_in_top(w);
  limit.offset(o.x, o.y);
  HDC dc = make_dc(w, false, &limit);
  if (!dc) return nullptr;
  ps->hdc = dc;
  if (!upd.empty()) {
    RECT b = upd.bounds();
    gdi::OffsetRect(&b, -cl.left, -cl.top);
    ps->rcPaint = b;
  }
  if (erase && !upd.empty()) ps->fErase = send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps || !ps->hdc) return FALSE;
  ReleaseDC(hwnd, ps->hdc);
  return TRUE;
}

HDC GetDC(HWND hwnd) {
  if (!hwnd) {
    HDC dc = gdi::CreateCompatibleDC(nullptr);
    if (dc) dc_owners()[dc] = nullptr;
    return dc;
  }
  Window* w = get(hwnd);
  return w ? make_dc(w, false, nullptr) : nullptr;
}

HDC GetWindowDC(HWND hwnd) {
  if (!hwnd) return GetDC(nullptr);
  Window* w = get(hwnd);
  return w ? make_dc(w, true, nullptr) : nullptr;
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  if (!hwnd) return GetDC(nullptr);
  Window* w = get(hwnd);
  if (!w) return nullptr;
  // WM_NCPAINT's wParam 1 ("the whole frame") may come here as the clip: no region then.
  bool real = clip && clip != reinterpret_cast<HRGN>(static_cast<std::uintptr_t>(1));
  const gdi::Region* reg = real ? gdi::GetRegion(clip) : nullptr;
  if (reg && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
    // The clip region comes in screen coordinates; the caller keeps ownership of it.
    Window* top = root_of(w);
    gdi::Region r = *reg;
    r.offset(-top->rect.left, -top->rect.top);
    if (flags & DCX_EXCLUDERGN) {
      gdi::Region all = visible_region(w, !(flags & DCX_WINDOW));
      gdi::Region keep = all - r;
      return make_dc(w, flags & DCX_WINDOW, &keep);
    }
    return make_dc(w, flags & DCX_WINDOW, &r);
  }
  return make_dc(w, flags & DCX_WINDOW, nullptr);
}

int ReleaseDC(HWND, HDC dc) {
  auto& owners = dc_owners();
  auto it = owners.find(dc);
  if (it == owners.end()) return 0;
  if (Window* w = get(it->second)) root_of(w)->dirty = true;
  owners.erase(it);
  gdi::DeleteDC(dc);
  return 1;
}

const gdi::Bitmap* GetBackingBitmap(HWND top_level) {
  Window* w = get(top_level);
  return w && !w->parent ? w->backing.get() : nullptr;
}

gdi::Bitmap ComposeScreen(gdi::Pixel background) {
  SIZE sz = display().screen_size();
  gdi::Bitmap screen(sz.cx, sz.cy, gdi::PixelFormat::k32bit, background);
  auto& tops = state().top_levels;
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    Window* t = *it;
    if (!(t->style & WS_VISIBLE) || !t->backing) continue;
    const gdi::Region* reg = t->region ? gdi::GetRegion(t->region) : nullptr;
    const gdi::Bitmap& b = *t->backing;
    for (int y = 0; y < b.height(); ++y) {
      int sy = t->rect.top + y;
      if (sy < 0 || sy >= sz.cy) continue;
      for (int x = 0; x < b.width(); ++x) {
        int sx = t->rect.left + x;
        if (sx < 0 || sx >= sz.cx) continue;
        if (reg && !reg->contains(x, y)) continue;
        screen.set_pixel(sx, sy, b.pixel(x, y));
      }
    }
  }
  return screen;
}

}  // namespace platform::win
