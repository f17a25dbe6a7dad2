#pragma once
// What fallible work gives back: its value, or the typed error that kept it
// from one. Every layer uses this one shape, so a caller tests `ok()` and
// reads either `value()` or `error()`, never an empty string for success or a
// flag beside an output parameter.
//
//   Outcome<FileList, ReadError> read(...);
//   if (const auto got = read(...); !got.ok()) report(got.error());
//
// Work that has no value of its own returns Outcome<Done, E>; a failure is
// made with `Failed{error}`.
//
// Known limits: reading the side that is not there is a programming error
// (checked by assertions in debug builds), as with std::optional.

#include <cassert>
#include <utility>
#include <variant>

namespace quillorn {

// The value of work that has nothing to give but its success.
struct Done {};

template <typename E>
struct Failed {
  E error;
};
template <typename E>
Failed(E) -> Failed<E>;

template <typename T, typename E>
class [[nodiscard]] Outcome {
 public:
  Outcome() requires std::is_same_v<T, Done> : state_(std::in_place_index<0>) {}
  Outcome(T value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit by design
  template <typename F>
  Outcome(Failed<F> failed) : state_(std::in_place_index<1>, E(std::move(failed.error))) {}  // NOLINT

  bool ok() const { return state_.index() == 0; }

  T& value() {
    assert(ok());
    return std::get<0>(state_);
  }
  const T& value() const {
    assert(ok());
    return std::get<0>(state_);
  }
  const E& error() const {
    assert(!ok());
    return std::get<1>(state_);
  }

 private:
  std::variant<T, E> state_;
};

}  // namespace quillorn
