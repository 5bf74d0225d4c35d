// The program's compiled resources as the tests see them: on Windows the test
// program's own (the resource object is linked into it), natively the .res file
// that windres compiles from the same script when the cross tools are present.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

const int kResourceIcon = 3;
const int kResourceDialog = 5;
const int kResourceGroupIcon = 14;
const int kResourceVersion = 16;

bool CompiledResourcesAvailable();
// The resource of that type and numeric id, with its language; false when absent.
bool LoadCompiledResource(int type, int id, std::vector<unsigned char>* bytes, uint16_t* language);
// The code page 932 text as the resource compiler stores it: UTF-16.
std::u16string Cp932ToUtf16(const std::string& text);
