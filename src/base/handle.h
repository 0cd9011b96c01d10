#pragma once
// One owner for every system handle: move-only, closed exactly once. A traits type names the
// handle's type, its invalid value and its closer, e.g.
//   struct MenuTraits { using Value = HMENU; static Value Invalid() { return nullptr; }
//                       static void Close(Value menu) { DestroyMenu(menu); } };
//   using MenuHandle = UniqueHandle<MenuTraits>;
// Portable: it names no system type itself, so the native tests can count its closes.
#include <utility>

namespace qv {

template <typename Traits>
class UniqueHandle {
  public:
    using Value = typename Traits::Value;

    UniqueHandle() = default;
    explicit UniqueHandle(Value value) : value_(value) {}
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Value get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::Invalid(); }

    // Gives the handle up without closing it.
    Value release() { return std::exchange(value_, Traits::Invalid()); }

    // Closes the handle held (unless it is the one given) and holds `value` instead.
    void reset(Value value = Traits::Invalid()) {
        const Value old = std::exchange(value_, value);
        if (old != Traits::Invalid() && old != value) {
            Traits::Close(old);
        }
    }

  private:
    Value value_ = Traits::Invalid();
};

// Runs `undo` when the scope ends, unless dismissed: for what is no handle of its own (a
// timer to kill, an object to select back into a device context).
template <typename Undo>
class ScopeGuard {
  public:
    explicit ScopeGuard(Undo undo) : undo_(std::move(undo)) {}
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;
    ~ScopeGuard() {
        if (active_) {
            undo_();
        }
    }
    void Dismiss() { active_ = false; }

  private:
    Undo undo_;
    bool active_ = true;
};

}  // namespace qv
