// The settings file: one section of a Windows profile file in the current folder,
// with the password stored scrambled.
#pragma once

class ProfileStore {
public:
    static const int kValueSize = 256;

    ProfileStore();
    virtual ~ProfileStore();

    int Bind(const char* fileName, const char* section);
    // destination holds at least kValueSize bytes; values are cut at 255 bytes.
    void ReadText(const char* key, char* destination, const char* defaultText);
    int ReadInt(const char* key, int defaultValue);
    int WriteText(const char* key, const char* value);
    void WriteInt(const char* key, int value);
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
    bool ReadHexPassword(char* destination);

    char currentDirectory_[256];
    char filePath_[512];
    char fileName_[256];
    char section_[512];
};
