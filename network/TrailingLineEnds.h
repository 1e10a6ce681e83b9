// The line ends that the site download removes from the end of a body, counted as it arrives so
// that a body of any size can lose them without being held in memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace KSNetwork {

// The rule: while the bytes end in LF, that LF goes, and a CR right before it goes with it. So
// "x\r\n\n" loses three bytes, "x\r" none, "x\n\r\n" three, "x\r\r\n" two.
class TrailingLineEnds {
public:
    // Takes the next bytes of the body.
    void add(const char *data, std::size_t size);
    // How many bytes the rule removes from the end of everything added so far.
    std::uint64_t removable() const { return count; }

private:
    void addLineEndByte(char c);

    std::uint64_t count = 0;
    // What the rule removes from the bytes before a final CR (which itself stops the rule).
    std::uint64_t countBeforeReturn = 0;
    bool endsWithReturn = false;
};

} // namespace KSNetwork
