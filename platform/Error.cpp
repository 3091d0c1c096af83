#include "platform/Error.h"

#include <cmath>

void raiseOverflow(const std::string& source) {
    throw AppError(RuntimeErrors::Overflow, "Overflow", source);
}
void raiseDivisionByZero(const std::string& source) {
    throw AppError(RuntimeErrors::DivisionByZero, "Division by zero", source);
}
void raiseSubscriptOutOfRange(const std::string& source) {
    throw AppError(RuntimeErrors::SubscriptOutOfRange, "Subscript out of range", source);
}
void raiseInvalidArgument(const std::string& source) {
    throw AppError(RuntimeErrors::InvalidArgument, "Invalid procedure call or argument", source);
}
void raiseInvalidArgument(const std::string& source, const std::string& description) {
    throw AppError(RuntimeErrors::InvalidArgument, description, source);
}
void raiseOutOfMemory(const std::string& source, const std::string& description) {
    throw AppError(RuntimeErrors::OutOfMemory, description, source);
}

void raiseFileNotFound(const std::string& path) {
    throw AppError(RuntimeErrors::FileNotFound, "File not found: " + path, path);
}
void raisePathFileAccess(const std::string& path, const std::string& why) {
    throw AppError(RuntimeErrors::PathFileAccess,
                   "Path/File access error: " + path + (why.empty() ? "" : " (" + why + ")"), path);
}

double checkedFinite(double value, const char* source) {
    if (std::isnan(value)) raiseInvalidArgument(source);
    if (std::isinf(value)) raiseOverflow(source);
    return value;
}

double checkedDivide(double numerator, double denominator, const char* source) {
    if (denominator == 0.0) {
        // 0 / 0 is an invalid operation; x / 0 a division by zero.
        if (numerator == 0.0 || std::isnan(numerator)) raiseInvalidArgument(source);
        raiseDivisionByZero(source);
    }
    return checkedFinite(numerator / denominator, source);
}

double checkedSqrt(double value, const char* source) {
    if (!(value >= 0.0)) raiseInvalidArgument(source);
    return checkedFinite(std::sqrt(value), source);
}

double checkedLog(double value, const char* source) {
    if (!(value > 0.0)) raiseInvalidArgument(source);
    return checkedFinite(std::log(value), source);
}

double checkedExp(double value, const char* source) {
    return checkedFinite(std::exp(checkedFinite(value, source)), source);
}
