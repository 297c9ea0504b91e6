#include "indexnow/indexnow_key.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "support/temp_workspace.h"

namespace farrow::indexnow {
namespace {

TEST(IndexNowKey, FormFollowsTheProtocol) {
    struct Case {
        std::string key;
        bool good;
    } cases[] = {
        {"abcdefg", false},
        {"abcdefgh", true},
        {std::string(128, 'a'), true},
        {std::string(129, 'a'), false},
        {"", false},
        {"ABCdef-09", true},
        {"abcd_efgh", false},
        {"abcd efgh", false},
        {"abcd.efgh", false},
        {"abcd\x01"
         "efgh",
         false},
        {"abcd\xC3\xA9"
         "fgh",
         false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(keyProblem(c.key).empty(), c.good)
            << "\"" << c.key << "\": " << keyProblem(c.key);
    }
    EXPECT_NE(keyProblem("abcd_efgh").find("\"_\""), std::string::npos);
}

TEST(IndexNowKey, MadeKeysAreOfTheLengthAndAlphabetAndDiffer) {
    std::set<std::string> made;
    for (std::size_t length : {std::size_t{8}, kDefaultKeyLength, std::size_t{128}}) {
        const MadeKey k = makeKey(length);
        ASSERT_TRUE(k.key) << k.error.reason;
        EXPECT_EQ(k.key->size(), length);
        EXPECT_EQ(k.key->find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789"),
                  std::string::npos)
            << *k.key;
        made.insert(*k.key);
    }
    EXPECT_EQ(made.size(), 3u);
    EXPECT_NE(*makeKey().key, *makeKey().key);
    for (std::size_t bad : {std::size_t{0}, std::size_t{7}, std::size_t{129}}) {
        EXPECT_FALSE(makeKey(bad).key) << bad;
    }
}

TEST(IndexNowKey, SavedKeyComesBackAndTheFileToPublishHoldsIt) {
    test::TempWorkspace dir;
    EXPECT_EQ(loadKey(dir.workspace()).error.code, base::ErrorCode::NotFound);
    ASSERT_FALSE(saveKey(dir.workspace(), "k3y-of-mine"));
    EXPECT_EQ(dir.read("k3y-of-mine.txt"), "k3y-of-mine");
    EXPECT_EQ(loadKey(dir.workspace()).key.value_or(""), "k3y-of-mine");
    EXPECT_TRUE(saveKey(dir.workspace(), "short"));

    // A link in the key's place is replaced, and what it pointed at is left alone.
    dir.write("elsewhere", "not yours");
    std::filesystem::remove(dir.path() / "indexnow.key");
    std::filesystem::create_symlink(dir.path() / "elsewhere", dir.path() / "indexnow.key");
    ASSERT_FALSE(saveKey(dir.workspace(), "another-key"));
    EXPECT_EQ(dir.read("elsewhere"), "not yours");
    EXPECT_FALSE(std::filesystem::is_symlink(dir.path() / "indexnow.key"));
    EXPECT_EQ(loadKey(dir.workspace()).key.value_or(""), "another-key");

    struct Case {
        std::string stored;
        bool good;
    } cases[] = {
        {"abcdefgh\r\n", true},
        {"abc_defgh\n", false},
        {"", false},
        {std::string(5000, 'a'), false},
    };
    for (const Case& c : cases) {
        dir.write("indexnow.key", c.stored);
        const LoadedKey k = loadKey(dir.workspace());
        EXPECT_EQ(k.key.has_value(), c.good) << c.stored.substr(0, 20) << ": " << k.error.reason;
    }
    // A FIFO in the key's place is refused before it is opened, which would wait for a writer.
    std::filesystem::remove(dir.file("indexnow.key"));
    ASSERT_EQ(mkfifo(dir.file("indexnow.key").c_str(), 0600), 0);
    EXPECT_EQ(loadKey(dir.workspace()).error.reason,
              dir.file("indexnow.key") + ": not a regular file");
}

}  // namespace
}  // namespace farrow::indexnow
