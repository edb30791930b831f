#pragma once
// Owning handles: one move-only template, a traits struct per handle kind.
// Traits close through a static Close; traits that need to know who closes
// (a handle lent by an interface) carry that as state and close through a
// member Close, and the owner keeps a copy of them.

#include <windows.h>

#include <utility>

template <class Traits>
class CUnique {
public:
  using Handle = typename Traits::Handle;

  CUnique() noexcept = default;
  explicit CUnique(Handle h) noexcept : h_(h) {}
  CUnique(Handle h, Traits traits) noexcept : traits_(traits), h_(h) {}
  CUnique(const CUnique&) = delete;
  CUnique& operator=(const CUnique&) = delete;
  CUnique(CUnique&& other) noexcept : traits_(other.traits_), h_(other.release()) {}
  CUnique& operator=(CUnique&& other) noexcept {
    if (this != &other) {
      reset(other.release());
      traits_ = other.traits_;
    }
    return *this;
  }
  ~CUnique() { reset(); }

  Handle get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return Traits::IsValid(h_); }
  Handle release() noexcept { return std::exchange(h_, Traits::Invalid()); }
  void reset(Handle h = Traits::Invalid()) noexcept {
    if (Traits::IsValid(h_)) traits_.Close(h_);
    h_ = h;
  }
  // For out-parameters: closes what is held and lends the slot.
  Handle* put() noexcept {
    reset();
    return &h_;
  }

private:
  [[no_unique_address]] Traits traits_{};
  Handle h_ = Traits::Invalid();
};

struct HandleTraits {  // kernel objects whose failure value is null
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static bool IsValid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) noexcept { CloseHandle(h); }
};

struct FileTraits : HandleTraits {  // CreateFile and friends fail with INVALID_HANDLE_VALUE
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
};

struct FindTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Handle h) noexcept { FindClose(h); }
};

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() noexcept { return nullptr; }
  static bool IsValid(Handle h) noexcept { return h != nullptr; }
  static void Close(Handle h) noexcept { FreeLibrary(h); }
};

struct KeyTraits {
  using Handle = HKEY;
  static Handle Invalid() noexcept { return nullptr; }
  static bool IsValid(Handle h) noexcept { return h != nullptr; }
  static void Close(Handle h) noexcept { RegCloseKey(h); }
};

template <class T>
struct GdiTraits {
  using Handle = T;
  static Handle Invalid() noexcept { return nullptr; }
  static bool IsValid(Handle h) noexcept { return h != nullptr; }
  static void Close(Handle h) noexcept { DeleteObject(h); }
};

using CHandle = CUnique<HandleTraits>;
using CFile = CUnique<FileTraits>;
using CFindHandle = CUnique<FindTraits>;
using CModule = CUnique<ModuleTraits>;
using CRegKey = CUnique<KeyTraits>;
using CFont = CUnique<GdiTraits<HFONT>>;
using CBitmap = CUnique<GdiTraits<HBITMAP>>;
using CBrush = CUnique<GdiTraits<HBRUSH>>;
using CPen = CUnique<GdiTraits<HPEN>>;

// Selects a GDI object into a DC and puts the old one back.
class CSelectObject {
public:
  CSelectObject(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(SelectObject(dc, obj)) {}
  CSelectObject(const CSelectObject&) = delete;
  CSelectObject& operator=(const CSelectObject&) = delete;
  ~CSelectObject() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }

private:
  HDC dc_;
  HGDIOBJ old_;
};

// Resolves an export into a typed function pointer.
template <class Fn>
Fn GetProc(HMODULE module, const char* name) noexcept {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
