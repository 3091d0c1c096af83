#pragma once
// One absolute file specification of this platform (/folder/base.ext),
// checked when it is set. It gives and replaces its base name and its
// extension; it touches no file.
//
// A specification is valid when it starts with "/", holds a "." (anywhere,
// a folder name included), holds no "//" and no "..", and holds none of
// ? " * | \ > < : . The text is stored exactly as given.

#include <string>

class CFileName {
public:
    CFileName() = default;

    // Raises vbObjectError + 515 "The FileSpec is invalid" (source
    // "C_FileName::SetFileSpec") and keeps the stored text when invalid.
    void SetFileSpec(const std::string& FileSpec);
    const std::string& GetFileSpec() const noexcept { return spec_; }

    // The characters between the last "/" and the last "."; error 5 when no
    // dot stands after the last "/" of a non-empty specification.
    std::string GetBaseName() const;
    // Puts aName in place of the base name; 515 for an empty name or one
    // holding a separator or a reserved character, 5 when the stored text
    // holds no dot.
    void SetBaseName(const std::string& aName);

    // The characters after the last "."; the whole text when there is none.
    std::string GetExtension() const;
    // Puts aExt in place of the extension (or makes it the whole text when
    // there is no dot); 515 for an empty or reserved-character text.
    void SetExtension(const std::string& aExt);

private:
    std::string spec_;
};
