#pragma once
// The suite may run as the superuser, whom no permission bit stops. To show
// what the system refuses an ordinary user, a test runs the part that needs
// it with the effective user and group of "nobody" (and no supplementary
// groups), and gets its own ids back afterwards; as an ordinary user the
// part simply runs. False, with nothing run, where the ids cannot change.

#include <grp.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

inline bool runUnprivileged(const std::function<void()>& body) {
    if (::geteuid() != 0) {
        body();
        return true;
    }
    constexpr uid_t kNobody = 65534;
    constexpr gid_t kNogroup = 65534;
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(0, ::getgroups(0, nullptr))));
    if (::getgroups(static_cast<int>(groups.size()), groups.data()) < 0) return false;
    const gid_t gid = ::getegid();
    auto restore = [&] {
        // Back to the superuser first: only it may set the groups again.
        if (::seteuid(0) != 0 || ::setegid(gid) != 0 || ::setgroups(groups.size(), groups.data()) != 0) std::abort();
    };
    if (::setgroups(0, nullptr) != 0) return false;
    if (::setegid(kNogroup) != 0 || ::seteuid(kNobody) != 0) {
        restore();
        return false;
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
