#include "geometry/CFileName.h"

#include "platform/Error.h"

namespace {

constexpr const char* kInvalid = "The FileSpec is invalid";
// Characters that no name of ours may hold (the separator "/" is allowed
// only in a whole specification).
constexpr const char* kReserved = "?\"*|\\><:";

[[noreturn]] void raiseInvalid(const char* source) { throw AppError(vbObjectError + 515, kInvalid, source); }

bool holdsAny(const std::string& text, const char* chars) { return text.find_first_of(chars) != std::string::npos; }

bool validName(const std::string& name) { return !name.empty() && !holdsAny(name, kReserved) && name.find('/') == std::string::npos; }

}  // namespace

void CFileName::SetFileSpec(const std::string& FileSpec) {
    constexpr const char* source = "C_FileName::SetFileSpec";
    if (FileSpec.empty()) raiseInvalid(source);
    if (FileSpec.front() != '/') raiseInvalid(source);
    if (FileSpec.find("//") != std::string::npos || FileSpec.find("..") != std::string::npos) raiseInvalid(source);
    if (FileSpec.find('.') == std::string::npos) raiseInvalid(source);
    if (holdsAny(FileSpec, kReserved)) raiseInvalid(source);
    spec_ = FileSpec;
}

std::string CFileName::GetBaseName() const {
    if (spec_.empty()) return {};
    const auto slash = spec_.rfind('/');
    const auto dot = spec_.rfind('.');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    if (dot == std::string::npos || dot < start) raiseInvalidArgument("C_FileName::GetBaseName");
    return spec_.substr(start, dot - start);
}

void CFileName::SetBaseName(const std::string& aName) {
    if (!validName(aName)) raiseInvalid("C_FileName::SetBaseName");
    const auto dot = spec_.rfind('.');
    if (dot == std::string::npos) raiseInvalidArgument("C_FileName::SetBaseName");
    const auto slash = spec_.rfind('/');
    const std::string head = slash == std::string::npos ? std::string() : spec_.substr(0, slash + 1);
    // The text from the last dot on, whichever side of the last slash it stands.
    spec_ = head + aName + spec_.substr(dot);
}

std::string CFileName::GetExtension() const {
    const auto dot = spec_.rfind('.');
    if (dot == std::string::npos) return spec_;
    return spec_.substr(dot + 1);
}

void CFileName::SetExtension(const std::string& aExt) {
    if (!validName(aExt)) raiseInvalid("C_FileName::SetExtension");
    const auto dot = spec_.rfind('.');
    spec_ = dot == std::string::npos ? aExt : spec_.substr(0, dot + 1) + aExt;
}
