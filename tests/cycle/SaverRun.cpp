#include "tests/cycle/SaverRun.h"

#include "pop3/MailClient.h"

SaverRun::SaverRun() {
    g_cycle = CheckCycleState{};
    g_firstMouse = FirstMousePosition{};
    RecordingDisplay::Begin(1024, 768);
}

SaverRun::~SaverRun() {
    g_mailClient.Close();
    RecordingDisplay::End();
    g_cycle = CheckCycleState{};
    g_firstMouse = FirstMousePosition{};
}

std::string Scrambled(const std::string& password) {
    std::string out = password;
    for (char& c : out)
        c = static_cast<char>(256 - static_cast<unsigned char>(c));
    return out;
}

void SaverRun::WriteSettings(const std::string& host, int port, const std::string& user,
                             const std::string& password, int check) {
    std::string text = "[zavuzozedi]\r\n";
    if (!host.empty()) text += "HOST=" + host + "\r\n";
    text += "PORT=" + std::to_string(port) + "\r\n";
    if (!user.empty()) text += "USER=" + user + "\r\n";
    if (!password.empty()) text += "PASS=" + Scrambled(password) + "\r\n";
    text += "CHECK=" + std::to_string(check) + "\r\n";
    folder_.Put("screen.ini", text);
}

HWND SaverRun::Start() {
    saver_.Setup(GetModuleHandleA(nullptr), nullptr, "Letterglass", 0);
    saver_.RegisterWindowClass(102, 102, 0, 0, nullptr);
    window_ = saver_.Create(WS_EX_TOPMOST, WS_POPUP, 0, 0, 1024, 768, nullptr, SW_SHOW);
    return window_;
}

bool SaverRun::RunUntil(const std::function<bool()>& done, int maxMessages) {
    MSG message;
    for (int i = 0; i < maxMessages; ++i) {
        if (done()) return true;
        if (GetMessageA(&message, nullptr, 0, 0) <= 0) return done();
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return done();
}

bool SaverRun::RunOneCheck() {
    bool started = false;
    return RunUntil([&] {
        if (g_cycle.state != 0) started = true;
        return started && g_cycle.state == 0;
    });
}

std::vector<TypedLine> SaverRun::Lines() const {
    std::vector<TypedLine> lines;
    for (const RecordedText& text : RecordingDisplay::Log().texts) {
        bool continues = !lines.empty() && lines.back().y == text.y &&
                         text.bytes.size() > lines.back().bytes.size() &&
                         text.bytes.compare(0, lines.back().bytes.size(), lines.back().bytes) == 0;
        if (continues)
            lines.back().bytes = text.bytes;
        else
            lines.push_back({text.y, text.bytes});
    }
    return lines;
}
