// The kinds' stored values, and the keywords releases write reading back as their kind.
#include "states/FileAction.h"

#include <gtest/gtest.h>

using Kestrel::FileActionKind;

namespace {

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
