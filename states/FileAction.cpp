// The one table of manifest type keywords, read by the launcher and written by the release tool.
#include "states/FileAction.h"

namespace Kestrel {

namespace {
struct Keyword {
    const char *text;
    FileActionKind kind;
};

// The first keyword of a kind is the one releases write.
const Keyword Keywords[] = {
    {"", FileActionKind::Replace},
    {"folder", FileActionKind::Folder},
    {"restore_only", FileActionKind::RestoreOnly},
    {"removed", FileActionKind::Delete},
    {"deleted", FileActionKind::Delete},
    {"exec", FileActionKind::Execute},
};
} // namespace

std::optional<FileActionKind> fileActionKindOf(const std::string &type) {
    for (const Keyword &keyword : Keywords)
        if (type == keyword.text)
            return keyword.kind;
    return std::nullopt;
}

bool takesBytes(FileActionKind kind) {
    return kind != FileActionKind::Folder && kind != FileActionKind::Delete;
}

const char *typeKeywordOf(FileActionKind kind) {
    for (const Keyword &keyword : Keywords)
        if (keyword.kind == kind)
            return keyword.text;
    return "";
}

} // namespace Kestrel
