#pragma once

// Runs part of a test as a user who may not read what the test made unreadable (mode 000).
// An ordinary user is such a user already. Root reads everything: under root the scope takes
// the identity of "nobody" and gives root's back at its end; where that is not allowed the
// scope is not active and the test skips itself.

#include <cstdlib>

#include <sys/types.h>
#include <unistd.h>

class OtherUser {
public:
    OtherUser() {
        if (::geteuid() != 0) {
            active_ = true;
            return;
        }
        if (::setegid(kNobody) != 0)
            return;
        if (::seteuid(kNobody) != 0) {
            Restore();
            return;
        }
        switched_ = true;
        active_ = true;
    }
    ~OtherUser() {
        if (switched_)
            Restore();
    }
    OtherUser(const OtherUser&) = delete;
    OtherUser& operator=(const OtherUser&) = delete;

    bool Active() const { return active_; }

private:
    // A test process left as another user would fail everything after it, and confusingly.
    void Restore() const {
        if (::seteuid(uid_) != 0 || ::setegid(gid_) != 0)
            std::abort();
    }

    static constexpr uid_t kNobody = 65534;
    const uid_t uid_ = ::geteuid();
    const gid_t gid_ = ::getegid();
    bool active_ = false;
    bool switched_ = false;
};
