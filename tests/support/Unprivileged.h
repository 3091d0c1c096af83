#pragma once
// The suite may run as the superuser, whom no permission bit stops. To show
// what the system refuses an ordinary user, a test runs the part that needs
// it with the effective user and group of "nobody" (and no supplementary
// groups), and gets its own ids back afterwards. False, with nothing run
// and the cause in `why`, where the ids cannot change: always for an
// ordinary user, who owns the files the test made and so may read them;
// such a test says it skipped that part and why.
//
// The files such a part reads lie in an OpenScratchDir, not in the build
// tree: the folders above a checkout may be closed to other users, and the
// part would then see the closed folder instead of the modes it was set up
// to show.

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

inline bool runUnprivileged(const std::function<void()>& body, std::string* why = nullptr) {
    if (::geteuid() != 0) {
        if (why) *why = "only the superuser may act as another user, and the suite runs as an ordinary user";
        return false;
    }
    constexpr uid_t kNobody = 65534;
    constexpr gid_t kNogroup = 65534;
    auto cannot = [&](const char* step) {
        if (why) *why = std::string("running as the superuser, the suite cannot ") + step + ": " + std::strerror(errno);
        return false;
    };
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(0, ::getgroups(0, nullptr))));
    if (::getgroups(static_cast<int>(groups.size()), groups.data()) < 0) return cannot("read its groups");
    const gid_t gid = ::getegid();
    auto restore = [&] {
        // Back to the superuser first: only it may set the groups again.
        if (::seteuid(0) != 0 || ::setegid(gid) != 0 || ::setgroups(groups.size(), groups.data()) != 0) std::abort();
    };
    if (::setgroups(0, nullptr) != 0) return cannot("drop its groups");
    if (::setegid(kNogroup) != 0 || ::seteuid(kNobody) != 0) {
        const int err = errno;
        restore();
        errno = err;
        return cannot("act as the user nobody");
    }
    try {
        body();
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return true;
}

// Runs the cases of a table, those that need a user whom a mode stops as
// "nobody". Where the ids cannot change, such cases are left out and the
// test, having run the others, says so at its end:
//     if (asNeeded.skipped()) GTEST_SKIP() << asNeeded.why();
class UnprivilegedCases {
public:
    void run(bool unprivileged, const std::function<void()>& body) {
        if (!unprivileged) body();
        else runUnprivileged(body, &why_);
    }
    bool skipped() const noexcept { return !why_.empty(); }
    std::string why() const { return "the cases that need an ordinary user: " + why_; }

private:
    std::string why_;
};

// A fresh, empty folder under the system's temporary folder that every user
// may enter and read (its mode set here, whatever the umask), removed with
// all it holds when the test is done. When no folder can be made, the test
// ends there as failed: it would otherwise make its files in "/".
class OpenScratchDir {
public:
    explicit OpenScratchDir(const std::string& testName) {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / ("korvane-" + testName + "-XXXXXX")).string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a folder like " + pattern + ": " + std::strerror(errno));
        path_ = pattern;
        if (::chmod(path_.c_str(), 0755) != 0) ADD_FAILURE() << "cannot open " << path_ << " to every user";
        // "nobody" must pass every folder above it as well.
        if (::geteuid() != 0) return;
        for (fs::path above = fs::path(path_).parent_path(); above != above.root_path(); above = above.parent_path()) {
            struct stat st {};
            if (::stat(above.c_str(), &st) != 0 || (st.st_mode & S_IXOTH) == 0)
                ADD_FAILURE() << "other users may not enter " << above.string()
                              << "; point TMPDIR at a folder they may enter";
        }
    }
    ~OpenScratchDir() {
        namespace fs = std::filesystem;
        if (path_.empty()) return;
        // A test may leave folders that take no new file or let no one in.
        std::error_code ec, kindEc;
        ::chmod(path_.c_str(), 0755);
        for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            if (!it->is_symlink(kindEc) && it->is_directory(kindEc)) ::chmod(it->path().c_str(), 0755);
        }
        fs::remove_all(path_, ec);
    }
    OpenScratchDir(const OpenScratchDir&) = delete;
    OpenScratchDir& operator=(const OpenScratchDir&) = delete;

    const std::string& path() const noexcept { return path_; }

private:
    std::string path_;
};
