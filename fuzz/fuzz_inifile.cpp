// libFuzzer target: arbitrary bytes parsed as an INI file (or a CGI request
// profile) and queried.  Besides not crashing, the parser must agree with
// itself: the text it writes back reads the same, and writing back a value
// that was read leaves every read unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "IniFiles.h"
#include "Lists.h"

using namespace vcl;

namespace {

struct TSnapshot {
    std::vector<std::string> Sections;
    std::vector<std::vector<std::string>> Values;  // ReadSectionValues per section

    bool operator==(const TSnapshot&) const = default;
};

std::vector<std::string> Lines(const TStrings& S) {
    std::vector<std::string> out;
    for (Integer i = 0; i < S.Count(); ++i) out.push_back(S.Strings(i));
    return out;
}

TSnapshot Snapshot(TMemIniFile& Ini) {
    TSnapshot snap;
    TStringList list;
    Ini.ReadSections(list);
    snap.Sections = Lines(list);
    for (const std::string& section : snap.Sections) {
        Ini.ReadSectionValues(section, list);
        snap.Values.push_back(Lines(list));
    }
    return snap;
}

void Check(bool Condition) {
    if (!Condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string text(reinterpret_cast<const char*>(Data), Size);
    TMemIniFile ini("");
    ini.SetText(text);
    const TSnapshot before = Snapshot(ini);

    TStringList keys, values;
    for (const std::string& section : before.Sections) {
        Check(ini.SectionExists(section));
        ini.ReadSection(section, keys);
        ini.ReadSectionValues(section, values);
        Check(keys.Count() == values.Count());
        for (Integer i = 0; i < keys.Count(); ++i) {
            const std::string key = keys.Strings(i);
            Check(ini.ValueExists(section, key));
            const std::string value = ini.ReadString(section, key, "");
            Check(values.Strings(i) == key + "=" + value);
            (void)ini.ReadInteger(section, key, 0);
            (void)ini.ReadBool(section, key, false);
            (void)ini.ReadFloat(section, key, 0);
            (void)ini.ReadDateTime(section, key, 0);
        }
    }

    // What is written reads the same.
    TMemIniFile copy("");
    copy.SetText(ini.Text());
    Check(Snapshot(copy) == before);

    // Writing back what was read changes nothing that can be read.
    for (const std::string& section : before.Sections) {
        ini.ReadSection(section, keys);
        for (Integer i = 0; i < keys.Count() && i < 8; ++i)
            ini.WriteString(section, keys.Strings(i), ini.ReadString(section, keys.Strings(i), ""));
    }
    Check(Snapshot(ini) == before);

    // A new value (taken from the input) reads back, also after a reparse.
    const std::string value = text.substr(0, text.find_first_of("\r\n"));
    ini.WriteString("Fuzz Section", "Fuzz Key", value);
    Check(ini.ReadString("fuzz section", "FUZZ KEY", "") == value);
    copy.SetText(ini.Text());
    Check(copy.ReadString("Fuzz Section", "Fuzz Key", "") == value);
    ini.DeleteKey("Fuzz Section", "Fuzz Key");
    Check(!ini.ValueExists("Fuzz Section", "Fuzz Key"));
    return 0;
}
