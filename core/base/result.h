#pragma once
// The one way core code reports an expected failure: a function returns
// Result<T> (or Result<> when it has no value). The error carries the text the
// user is shown, exactly as the program shows it; the caller decides whether
// and when it reaches the message box. Nothing in the core throws for a bad
// file or a refused size.
//
//   Result<TSurface> DecodeBmp(std::span<const std::uint8_t> bytes);
//   TRY(ReadHeader(reader));                       // propagate a failure
//   TRY_ASSIGN(auto count, reader.ReadU16());      // ... or take the value

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace tintloom {

struct Failure {
  std::string message;  // user-facing text
};

inline Failure Fail(std::string message) { return Failure{std::move(message)}; }

template <typename T = void>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}   // NOLINT: implicit by design
  Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}  // NOLINT

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & {
    assert(ok());
    return std::get<0>(state_);
  }
  const T& value() const& {
    assert(ok());
    return std::get<0>(state_);
  }
  T&& value() && {
    assert(ok());
    return std::get<0>(std::move(state_));
  }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  const Failure& error() const {
    assert(!ok());
    return std::get<1>(state_);
  }
  Failure&& take_error() {
    assert(!ok());
    return std::get<1>(std::move(state_));
  }

 private:
  std::variant<T, Failure> state_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : failure_(std::move(failure)), ok_(false) {}  // NOLINT

  bool ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  const Failure& error() const {
    assert(!ok_);
    return failure_;
  }
  Failure&& take_error() {
    assert(!ok_);
    return std::move(failure_);
  }

 private:
  Failure failure_;
  bool ok_ = true;
};

inline Result<> Ok() { return {}; }

}  // namespace tintloom

// Returns the failure of `expr` from the enclosing function.
#define TRY(expr)                                                        \
  do {                                                                   \
    auto&& tintloom_try_result = (expr);                                 \
    if (!tintloom_try_result.ok()) return tintloom_try_result.take_error(); \
  } while (0)

// Declares `decl` from the value of `expr` (or assigns it), or returns its
// failure. One statement, so that it stays whole under an unbraced `if`: the
// check runs inside a statement expression (a GCC and Clang extension, marked
// so that -Wpedantic accepts it) whose value initialises `decl`.
#define TRY_ASSIGN(decl, expr)                                        \
  decl = __extension__({                                              \
    auto tintloom_try_assign = (expr);                                \
    if (!tintloom_try_assign.ok()) return tintloom_try_assign.take_error(); \
    std::move(tintloom_try_assign).value();                           \
  })
