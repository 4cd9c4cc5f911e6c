// A run-time error with a number and a description: what a failing step raises (a missing
// terminal library or function, an overflowing wait, a file that cannot be written). Each caller
// decides, step by step, whether such an error is skipped, reported in a box, or passed on.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace varnix {

class RuntimeError : public std::runtime_error {
  public:
    RuntimeError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}

    int Number() const { return number_; }
    std::string Description() const { return what(); }

  private:
    int number_;
};

// Error numbers, as the classic run-time numbers them.
inline constexpr int kErrOverflow = 6;
inline constexpr int kErrTypeMismatch = 13;
inline constexpr int kErrLoadingLibrary = 48;
inline constexpr int kErrFileNotFound = 53;
inline constexpr int kErrFileAlreadyOpen = 55;
inline constexpr int kErrPathFileAccess = 75;
inline constexpr int kErrPathNotFound = 76;
inline constexpr int kErrEntryPointNotFound = 453;

// The text of an operation's error box: its label, the description, "," and the number.
inline std::string ErrorBoxText(const std::string& label, const RuntimeError& error) {
    return label + error.Description() + "," + std::to_string(error.Number());
}

// Runs one step of a procedure whose run-time errors are skipped: the next step runs regardless.
inline void SkipOnRuntimeError(const std::function<void()>& step) {
    try {
        step();
    } catch (const RuntimeError&) {
    }
}

}  // namespace varnix
