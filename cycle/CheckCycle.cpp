#include "cycle/CheckCycle.h"

#include <cstring>

#include "pop3/MailClient.h"
#include "settings/Settings.h"

CheckCycleState g_cycle;

namespace {

const char kClientPrefix[] = "Client > ";
const char kServerPrefix[] = "Server > ";
const char kMailPrefix[] = "Mail ";
const char kSuffix[] = " ";

// Appends text up to its first CR LF, within the display line's room.
void AppendLine(int& length, const char* text) {
    const char* end = std::strstr(text, "\r\n");
    while (*text && text != end && length < CheckCycleState::kLineSize - 1)
        g_cycle.displayLine[length++] = *text++;
}

void ComposeServerLine() {
    ComposeDisplayLine(kServerPrefix, g_mailClient.ReceiveBuffer(), kSuffix);
}

// One '*' per byte of the password: the password itself is never shown.
void ComposeMaskedPassword() {
    char stars[sizeof g_cycle.password];
    std::size_t count = std::strlen(g_cycle.password);
    std::memset(stars, '*', count);
    stars[count] = '\0';
    ComposeDisplayLine(kClientPrefix, "PASS ", stars);
}

void ShowNextSubject() {
    ++g_cycle.messageIndex;
    g_mailClient.FetchHeader(g_cycle.messageIndex);
    g_mailClient.ExtractHeaderField(g_mailClient.MessageBuffer(), "Subject:", g_cycle.subject);
    g_mailClient.Decoder().DecodeHeaderValue(g_cycle.subject, g_cycle.subject,
                                             sizeof g_cycle.subject);
    ComposeDisplayLine(kMailPrefix, g_cycle.subject, kSuffix);
}

}  // namespace

int NextRandom() {
    g_cycle.randomState = g_cycle.randomState * 214013u + 2531011u;
    return static_cast<int>((g_cycle.randomState >> 16) & 0x7FFF);
}

void StartCheckCycle(HWND window) {
    g_settings.Bind(kSettingsFile, kSettingsSection);
    g_settings.ReadText("HOST", g_cycle.host, "");
    if (!g_cycle.host[0]) return;
    g_cycle.port = g_settings.ReadInt("PORT", 110);
    // Without the key, TLS exactly on the POP3-over-TLS port.
    g_cycle.tls = g_settings.ReadInt("TLS", g_cycle.port == 995 ? 1 : 0);
    g_settings.ReadText("USER", g_cycle.user, "");
    if (!g_cycle.user[0]) return;
    g_settings.ReadPassword(g_cycle.password);
    if (!g_cycle.password[0]) return;
    g_cycle.checkInterval = static_cast<UINT>(g_settings.ReadInt("CHECK", 1)) * kCheckUnit;
    std::memset(g_cycle.subject, 0, sizeof g_cycle.subject);
    std::memset(g_cycle.displayLine, 0, sizeof g_cycle.displayLine);
    SetTimer(window, kStepTimer, kStepInterval, nullptr);
    SetTimer(window, kCheckTimer, g_cycle.checkInterval, nullptr);
    SetTimer(window, kDrawTimer, kDrawInterval, nullptr);
}

// Each part ends at its first CR LF, so a reply shows only its first line.
void ComposeDisplayLine(const char* prefix, const char* body, const char* suffix) {
    std::memset(g_cycle.displayLine, 0, sizeof g_cycle.displayLine);
    int length = 0;
    AppendLine(length, prefix);
    AppendLine(length, body);
    AppendLine(length, suffix);
    g_cycle.lineLength = length;
}

void OnStepTick(HWND window) {
    switch (g_cycle.state) {
        case 1:
            ComposeDisplayLine(kClientPrefix, "CONNECT", kSuffix);
            break;
        case 2:
            g_mailClient.Connect(g_cycle.host, g_cycle.port, g_cycle.tls != 0);
            ComposeServerLine();
            break;
        case 3:
            ComposeDisplayLine(kClientPrefix, "USER ", g_cycle.user);
            break;
        case 4:
            g_mailClient.SendUser(g_cycle.user);
            ComposeServerLine();
            break;
        case 5:
            ComposeMaskedPassword();
            break;
        case 6:
            g_mailClient.SendPass(g_cycle.password);
            ComposeServerLine();
            break;
        case 7:
            ComposeDisplayLine(kClientPrefix, "STAT ", kSuffix);
            break;
        case 8:
            g_cycle.messageCount = g_mailClient.Stat();
            ComposeServerLine();
            g_cycle.state = 9;
            OnStepTick(window);
            return;
        case 9:
            // With every subject shown the wipe runs and the step timer keeps ticking.
            if (g_cycle.messageIndex >= g_cycle.messageCount) return;
            ShowNextSubject();
            KillTimer(window, kStepTimer);
            return;
        case 11:
            g_mailClient.Close();
            g_cycle.messageCount = 0;
            g_cycle.messageIndex = 0;
            g_cycle.state = 0;
            return;
        default:
            return;
    }
    ++g_cycle.state;
    KillTimer(window, kStepTimer);
}

void OnCheckTick() {
    if (g_cycle.state != 0) return;
    g_cycle.wipeDirection = NextRandom() % 4;
    g_cycle.wipePosition = 0;
    g_cycle.state = 1;
}
