// The settings file: one section of a Windows profile file, with the password
// stored scrambled.
#pragma once

#include "platform/win32.h"

class ProfileStore {
public:
    static const int kValueSize = 256;

    ProfileStore();
    virtual ~ProfileStore();

    // The file is fileName in the current folder when one is there, else in the
    // folder "letterglass" of the user's application data (made by the first
    // write), else, with no such folder, in the current folder after all.
    int Bind(const char* fileName, const char* section);
    // destination holds at least kValueSize bytes; values are cut at 255 bytes.
    void ReadText(const char* key, char* destination, const char* defaultText);
    int ReadInt(const char* key, int defaultValue);
    // Zero when the value could not be written.
    int WriteText(const char* key, const char* value);
    int WriteInt(const char* key, int value);
    // Negates every byte modulo 256 up to the terminator; its own inverse.
    static void ScramblePassword(char* text);
    // The password, scrambled under PASS. Where the profile functions change
    // bytes of it (double-byte code pages pass values through Unicode), the
    // scrambled bytes are also kept in hexadecimal under PASSHEX, which a
    // reader then prefers; a PASS that survives removes PASSHEX.
    // destination holds at least kValueSize bytes.
    int WritePassword(const char* password);
    void ReadPassword(char* destination);

    const char* FilePath() const { return filePath_; }

private:
    void BindFile();
    bool BindUserFolder();
    void MakeUserFolder();
    bool ReadHexPassword(char* destination);

    char currentDirectory_[256];
    char filePath_[512];
    char fileName_[256];
    char section_[512];
    char userFolder_[MAX_PATH + 16];  // empty unless the file is the user's own
};
