// The engine's handle on one file's contents, whatever holds them (disk, memory, ZIP entry).
#pragma once

#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace Cobalt::IO {

class Stream {
public:
    // Stores name and mode (the engine's bit set, io/OpenMode.h); the stream starts closed.
    Stream(const std::string &name, int mode);
    virtual ~Stream();
    Stream(const Stream &) = delete;
    Stream &operator=(const Stream &) = delete;

    // True when the standard stream is present and neither fail nor bad is set.
    virtual bool isOpen() const;
    // Opens the contents; false leaves the stream closed.
    virtual bool open() = 0;
    // Destroys the standard stream.
    virtual void close();
    // Size in bytes without moving the read position; 0 when closed.
    virtual std::uint32_t getSize();
    // Read and write positions; a zero position when closed.
    virtual std::streampos tellg();
    virtual std::streampos tellp();
    // Moves a position (direction 0 start, 1 current, 2 end; any other does nothing); nothing
    // when closed.
    virtual void seekg(long offset, int direction);
    virtual void seekp(long offset, int direction);
    // Reads min(getSize(), count) bytes (the whole size, not what remains) from the read
    // position into buffer, resized to that. Reading nothing returns false, buffer untouched.
    virtual bool read(std::vector<char> &buffer, unsigned int count);
    // Reads up to count bytes; true only when all count bytes arrived (a short or failed read is
    // false). False on a closed stream.
    virtual bool read(char *data, int count);
    // Writes the first count bytes of data (never more than it holds); an empty vector writes
    // nothing and returns true. False when the stream is closed or went bad.
    virtual bool write(const std::vector<char> &data, int count);
    // Reads one line of at most 254 characters; a longer line fails the stream and leaves the
    // rest unread. A closed stream gives an empty line.
    virtual void readLine(std::string &line, char delimiter);
    // Standard line extraction into buffer; a null buffer skips the line; size 0 means no limit.
    // Does nothing on a closed stream.
    virtual void getLine(char *buffer, int size, char delimiter);

    const std::string &getName() const { return name; }
    int getMode() const { return mode; }
    bool isBinary() const { return binary; }

protected:
    // The standard stream, or null while closed.
    std::iostream *standardStream() const { return stream.get(); }
    void setStandardStream(std::unique_ptr<std::iostream> newStream);

private:
    std::string name;
    std::unique_ptr<std::iostream> stream;
    int mode;
    bool binary;
};

} // namespace Cobalt::IO
