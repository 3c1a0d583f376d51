#include <gtest/gtest.h>

#include <vector>

#include "installer/account.h"

namespace {

// S-1-<authority>-<sub-authorities...> in the system's layout.
std::vector<uint8_t> Sid(uint8_t authority, std::vector<uint32_t> subs, uint8_t revision = 1) {
    std::vector<uint8_t> sid = {revision, static_cast<uint8_t>(subs.size()), 0, 0, 0, 0, 0,
                                authority};
    for (uint32_t sub : subs)
        for (int shift = 0; shift < 32; shift += 8)
            sid.push_back(static_cast<uint8_t>(sub >> shift));
    return sid;
}

TEST(Account, OnlyTheDesktopsOwnAccountInASessionOfItsOwn) {
    const auto user = Sid(5, {21, 111, 222, 333, 1001});
    const auto otherDomainSameRid = Sid(5, {21, 444, 222, 333, 1001});
    const auto otherRid = Sid(5, {21, 111, 222, 333, 1002});
    const auto system = Sid(5, {18});
    const auto shorter = Sid(5, {21, 111, 222, 333});  // a prefix of `user`
    const auto otherAuthority = Sid(4, {21, 111, 222, 333, 1001});
    const auto badRevision = Sid(5, {21, 111, 222, 333, 1001}, 2);
    auto tooMany = Sid(5, {21, 111, 222, 333, 1001});
    tooMany[1] = 16;
    struct Case {
        const char* name;
        const std::vector<uint8_t>* process;
        const std::vector<uint8_t>* desktop;
        uint32_t session;
        bool same;
    } cases[] = {
        {"same account", &user, &user, 1, true},
        {"same account, a later session", &user, &user, 7, true},
        {"same account in session 0", &user, &user, 0, false},
        {"same name in another domain", &user, &otherDomainSameRid, 1, false},
        {"another account of the domain", &user, &otherRid, 1, false},
        {"SYSTEM at a user's desktop", &system, &user, 1, false},
        {"one SID a prefix of the other", &user, &shorter, 1, false},
        {"another authority", &user, &otherAuthority, 1, false},
        {"no desktop user", &user, nullptr, 1, false},
        {"own token unread", nullptr, &user, 1, false},
        {"neither known", nullptr, nullptr, 1, false},
        {"not a SID (revision)", &badRevision, &badRevision, 1, false},
        {"not a SID (count)", &tooMany, &tooMany, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.same, IsDesktopAccount(c.process ? c.process->data() : nullptr,
                                           c.desktop ? c.desktop->data() : nullptr, c.session));
    }
}

}  // namespace
