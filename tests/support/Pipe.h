// A pipe between a test and the program it starts: the child's output, or a reader that stops
// reading or goes away.
#pragma once

#include <string>

struct Pipe {
    int read = -1;
    int write = -1;

    Pipe();
    ~Pipe();
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    void CloseRead();
    void CloseWrite();
    // Fills it (one page) so that the next write blocks until someone reads.
    void Fill() const;
    // What arrives within `ms`, up to the first `end` character (or the writer's end).
    std::string Take(int ms, char end = '\0') const;
};
