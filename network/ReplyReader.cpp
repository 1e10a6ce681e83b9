// The reply formats of the server script.
#include "network/ReplyReader.h"

#include "network/TextHelpers.h"

#include <stdexcept>

namespace KSNetwork {

namespace {
std::runtime_error unexpectedReply(const std::string &reply) {
    return std::runtime_error("Unexpected server response :: " + reply);
}

// "key:value" lines after an accepted login; the first line of a key wins.
void readProperties(const std::vector<std::string> &lines, AuthStatus &status) {
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string &line = lines[i];
        const std::string::size_type colon = line.find(':');
        if (colon == std::string::npos)
            status.properties.emplace(line, line);
        else
            status.properties.emplace(line.substr(0, colon), line.substr(colon + 1));
    }
}
} // namespace

bool readAuthReply(const std::string &body, AuthStatus &status) {
    const std::string reply = trimWhitespace(body);
    const std::vector<std::string> lines = splitString(reply, "\n");
    const std::vector<std::string> fields = splitString(lines.front(), ",");
    if (fields.front() == "OK") {
        if (fields.size() != 3)
            throw std::runtime_error("Invalid Authentication response \n" + reply);
        status.set(true, fields[1], fields[2]);
        readProperties(lines, status);
    } else if (fields.front() == "FAILED") {
        status.set(false, std::string(), std::string());
    } else {
        throw unexpectedReply(reply);
    }
    return status.ok;
}

bool readVersionReply(const std::string &body, ServerStatus &launcherStatus,
                      ServerStatus &manifestStatus) {
    const std::string reply = trimWhitespace(body);
    const std::vector<std::string> fields = splitString(reply, ",");
    if (fields.front() == "OK") {
        launcherStatus.set(true, std::string(), std::string());
        manifestStatus.set(true, std::string(), std::string());
        return true;
    }
    if (fields.front() != "KO")
        throw unexpectedReply(reply);
    if (fields.size() < 3)
        throw std::runtime_error("Invalid CheckVersion response \n" + reply);
    switch (decimalValue(fields[1])) {
    case 1:
        manifestStatus.set(false, std::string(), std::string());
        launcherStatus.set(false, std::string(), fields[2]);
        break;
    case 2:
        manifestStatus.set(false, std::string(), fields[2]);
        launcherStatus.set(true, std::string(), std::string());
        break;
    default:
        throw unexpectedReply(reply);
    }
    return manifestStatus.ok;
}

} // namespace KSNetwork
