// Runs the real saver window on the recording display: a settings file in a
// fresh current folder, the window made as the entry makes it, and the message
// loop driven until a condition holds. The typed lines are read back from what
// TextOutA drew.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cycle/CheckCycle.h"
#include "tests/recording/recording.h"
#include "tests/support/TempFolder.h"
#include "ui/SaverWindow.h"

struct TypedLine {
    int y;
    std::string bytes;
    bool operator==(const TypedLine& other) const { return y == other.y && bytes == other.bytes; }
};

inline std::ostream& operator<<(std::ostream& out, const TypedLine& line) {
    return out << "{" << line.y << ", \"" << line.bytes << "\"}";
}

class SaverRun {
public:
    SaverRun();
    ~SaverRun();

    void WriteSettings(const std::string& host, int port, const std::string& user,
                       const std::string& password, int check = 1);
    HWND Start();
    // Dispatches messages until done() holds or the loop ends; false when the
    // bound on messages is reached first.
    bool RunUntil(const std::function<bool()>& done, int maxMessages = 500000);
    // Runs from start-up until the first check has returned to idle.
    bool RunOneCheck();

    // The complete form of every line typed so far, in order.
    std::vector<TypedLine> Lines() const;
    HWND Window() const { return window_; }
    SaverWindow& Saver() { return saver_; }

private:
    TempFolder folder_;
    SaverWindow saver_;
    HWND window_ = nullptr;
};

std::string Scrambled(const std::string& password);
