#pragma once
// The program's one error type. Library classes raise errors with a number,
// a description and a source (class and member), and pass them on to the
// caller unchanged; handlers that show a "Warning!" read the description.

#include <cstdint>
#include <stdexcept>
#include <string>

// The object-error base that the shape and file classes add their numbers to.
inline constexpr std::int32_t vbObjectError = -2147221504;

// Run-time error numbers raised by guarded arithmetic, indexing and file access.
namespace RuntimeErrors {
inline constexpr std::int32_t InvalidArgument = 5;   // invalid procedure call or argument
inline constexpr std::int32_t Overflow = 6;          // value beyond the target's range
inline constexpr std::int32_t OutOfMemory = 7;
inline constexpr std::int32_t SubscriptOutOfRange = 9;
inline constexpr std::int32_t DivisionByZero = 11;
inline constexpr std::int32_t FileNotFound = 53;
inline constexpr std::int32_t InputPastEnd = 62;
inline constexpr std::int32_t PathFileAccess = 75;
}  // namespace RuntimeErrors

class AppError : public std::runtime_error {
public:
    AppError(std::int32_t number, std::string description, std::string source = {})
        : std::runtime_error(description), number_(number),
          description_(std::move(description)), source_(std::move(source)) {}

    std::int32_t number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }
    const std::string& source() const noexcept { return source_; }

    // The same error with another source, for code that re-raises under its own name.
    AppError withSource(std::string source) const { return AppError(number_, description_, std::move(source)); }

private:
    std::int32_t number_;
    std::string description_;
    std::string source_;
};

// Raisers for the platform's run-time errors, with the platform's own texts.
[[noreturn]] void raiseOverflow(const std::string& source = {});
[[noreturn]] void raiseDivisionByZero(const std::string& source = {});
[[noreturn]] void raiseSubscriptOutOfRange(const std::string& source = {});
[[noreturn]] void raiseInvalidArgument(const std::string& source = {});
[[noreturn]] void raiseInvalidArgument(const std::string& source, const std::string& description);
// An allocation that failed (std::bad_alloc) as the program's own error 7,
// with a description saying what needed the memory: a routine that may
// need much of it catches the failure at its entry and raises this, so
// that the handler calling it shows a warning and keeps its earlier state.
[[noreturn]] void raiseOutOfMemory(const std::string& source, const std::string& description);
// The file errors name the file in the description and as the source:
// 53 "File not found: <path>", 75 "Path/File access error: <path> (<why>)".
[[noreturn]] void raiseFileNotFound(const std::string& path);
[[noreturn]] void raisePathFileAccess(const std::string& path, const std::string& why = {});

// Guarded arithmetic: each checks its hazard and raises the numbered error
// instead of producing an infinity or NaN.
double checkedDivide(double numerator, double denominator, const char* source = "");
double checkedSqrt(double value, const char* source = "");
double checkedLog(double value, const char* source = "");
double checkedExp(double value, const char* source = "");
// Raises overflow (6) for an infinite and invalid argument (5) for a NaN value.
double checkedFinite(double value, const char* source = "");
