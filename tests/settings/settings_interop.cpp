// Writes or checks a settings file through the settings store, so a file written
// by one build can be checked by the other:
//   settings_interop write DIR    writes DIR/screen.ini
//   settings_interop check DIR    exits 0 when DIR/screen.ini holds what "write" writes
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "settings/ProfileStore.h"

namespace {

const char kHost[] = "pop.example.jp";
const char kUser[] = "\x8E\x52\x93\x63";  // 山田 in Shift_JIS
const char kPassword[] = "ab12Z\x80";     // scrambles to whole Shift_JIS characters
const int kPort = 995;
const int kCheck = 3;
const char kFileBytes[] =
    "[zavuzozedi]\r\nHOST=pop.example.jp\r\nPORT=995\r\nUSER=\x8E\x52\x93\x63\r\n"
    "PASS=\x9F\x9E\xCF\xCE\xA6\x80\r\nCHECK=3\r\n";

void Write(ProfileStore& store) {
    char pass[16];
    std::strcpy(pass, kPassword);
    ProfileStore::ScramblePassword(pass);
    store.WriteText("HOST", kHost);
    store.WriteInt("PORT", kPort);
    store.WriteText("USER", kUser);
    store.WriteText("PASS", pass);
    store.WriteInt("CHECK", kCheck);
}

int Expect(const char* what, bool ok) {
    if (!ok) std::printf("mismatch: %s\n", what);
    return ok ? 0 : 1;
}

int Check(ProfileStore& store) {
    char text[ProfileStore::kValueSize];
    int failures = 0;
    store.ReadText("HOST", text, "");
    failures += Expect("HOST", std::strcmp(text, kHost) == 0);
    store.ReadText("USER", text, "");
    failures += Expect("USER", std::strcmp(text, kUser) == 0);
    store.ReadText("PASS", text, "");
    ProfileStore::ScramblePassword(text);
    failures += Expect("PASS", std::strcmp(text, kPassword) == 0);
    failures += Expect("PORT", store.ReadInt("PORT", 110) == kPort);
    failures += Expect("CHECK", store.ReadInt("CHECK", 1) == kCheck);
    std::ifstream in("screen.ini", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    failures += Expect("file bytes", bytes == kFileBytes);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "write") != 0 && std::strcmp(argv[1], "check") != 0)) {
        std::fprintf(stderr, "usage: settings_interop write|check DIR\n");
        return 2;
    }
    std::error_code error;
    std::filesystem::current_path(argv[2], error);
    if (error) {
        std::fprintf(stderr, "cannot enter %s\n", argv[2]);
        return 2;
    }
    ProfileStore store;
    store.Bind("screen.ini", "zavuzozedi");
    if (std::strcmp(argv[1], "check") == 0) return Check(store);
    Write(store);
    return 0;
}
