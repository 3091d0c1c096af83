#include "platform/TextFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/Error.h"

TextFileWriter::TextFileWriter(std::string path) : path_(std::move(path)) {}

void TextFileWriter::PrintLine(std::string_view line) {
    buffer_ += line;
    buffer_ += "\r\n";
}

void TextFileWriter::Print(std::string_view text) { buffer_ += text; }

void TextFileWriter::Close() {
    namespace fs = std::filesystem;
    const fs::path target(path_);
    const fs::path temp = target.string() + ".korvane-tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) raisePathFileAccess(path_, "cannot create the file");
        out.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            fs::remove(temp, ec);
            raisePathFileAccess(path_, "write failed");
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        raisePathFileAccess(path_, "cannot replace the file");
    }
}

void writeTextFileLines(const std::string& path, const std::vector<std::string>& lines) {
    TextFileWriter w(path);
    for (const auto& l : lines) w.PrintLine(l);
    w.Close();
}

std::vector<std::string> readTextFileLines(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        raiseFileNotFound(path);
    std::ifstream in(path, std::ios::binary);
    if (!in) raisePathFileAccess(path, "cannot open the file");
    std::ostringstream ss;
    ss << in.rdbuf();
    const std::string text = ss.str();
    std::vector<std::string> lines;
    std::string cur;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(cur);
            cur.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    return lines;
}

std::vector<std::string> splitCommas(std::string_view line) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const auto p = line.find(',', start);
        out.emplace_back(line.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start));
        if (p == std::string_view::npos) break;
        start = p + 1;
    }
    return out;
}
