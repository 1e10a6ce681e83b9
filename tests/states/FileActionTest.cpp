// The manifest's type keywords and the kinds they stand for, both ways.
#include "states/FileAction.h"

#include <gtest/gtest.h>

using Kestrel::FileActionKind;

namespace {

TEST(FileActionTest, KeywordsMapExactlyAndCaseSensitively) {
    const std::pair<const char *, FileActionKind> known[] = {
        {"", FileActionKind::Replace},
        {"folder", FileActionKind::Folder},
        {"restore_only", FileActionKind::RestoreOnly},
        {"removed", FileActionKind::Delete},
        {"deleted", FileActionKind::Delete},
        {"exec", FileActionKind::Execute},
    };
    for (const auto &[type, kind] : known)
        EXPECT_EQ(Kestrel::fileActionKindOf(type), kind) << '"' << type << '"';
    for (const char *type : {"Exec", "EXEC", " exec", "exec ", "restore-only", "remove", "x"})
        EXPECT_FALSE(Kestrel::fileActionKindOf(type)) << '"' << type << '"';
}

TEST(FileActionTest, ValuesAndWrittenKeywordsReadBackAsTheirKind) {
    EXPECT_EQ(static_cast<int>(FileActionKind::Replace), 0);
    EXPECT_EQ(static_cast<int>(FileActionKind::Folder), 1);
    EXPECT_EQ(static_cast<int>(FileActionKind::RestoreOnly), 2);
    EXPECT_EQ(static_cast<int>(FileActionKind::Delete), 3);
    EXPECT_EQ(static_cast<int>(FileActionKind::Execute), 4);
    for (const auto kind :
         {FileActionKind::Replace, FileActionKind::Folder, FileActionKind::RestoreOnly,
          FileActionKind::Delete, FileActionKind::Execute})
        EXPECT_EQ(Kestrel::fileActionKindOf(Kestrel::typeKeywordOf(kind)), kind);
    EXPECT_STREQ(Kestrel::typeKeywordOf(FileActionKind::Delete), "removed");
}

} // namespace
