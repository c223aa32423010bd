// The application manifest that asks the system for version 6 of the common controls.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace Manifest {

// The text with its placeholders EXENAME, EXEVERSION and EXEDESCRIBTION still in it; every
// line ends with CR LF, the last one too.
inline const std::string& Template() {
    // One entry a line; some lines keep a blank before their line end.
    static constexpr std::string_view kLines[] = {
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?> )",
        R"(<assembly )",
        R"(   xmlns="urn:schemas-microsoft-com:asm.v1" )",
        R"(   manifestVersion="1.0">)",
        R"(<assemblyIdentity )",
        R"(    processorArchitecture="x86" )",
        R"(    version="EXEVERSION")",
        R"(    type="win32")",
        R"(    name="EXENAME"/>)",
        R"(    <description>EXEDESCRIBTION</description>)",
        R"(    <dependency>)",
        R"(    <dependentAssembly>)",
        R"(    <assemblyIdentity)",
        R"(         type="win32")",
        R"(         name="Microsoft.Windows.Common-Controls")",
        R"(         version="6.0.0.0")",
        R"(         publicKeyToken="6595b64144ccf1df")",
        R"(         language="*")",
        R"(         processorArchitecture="x86"/>)",
        R"(    </dependentAssembly>)",
        R"(    </dependency>)",
        R"(</assembly>)",
    };
    static const std::string text = [] {
        std::string joined;
        for (const std::string_view line : kLines) {
            joined += line;
            joined += "\r\n";
        }
        return joined;
    }();
    return text;
}

// Every occurrence of what in text replaced by with, left to right, case-sensitive; the
// inserted text is not searched again.
inline std::string ReplaceAll(std::string text, const std::string& what,
                              const std::string& with) {
    if (what.empty()) return text;
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

// The template filled in: the name first, then the version, then the description. Nothing
// is escaped for XML.
inline std::string Fill(const std::string& exeName, const std::string& version,
                        const std::string& description) {
    std::string text = ReplaceAll(Template(), "EXENAME", exeName);
    text = ReplaceAll(std::move(text), "EXEVERSION", version);
    return ReplaceAll(std::move(text), "EXEDESCRIBTION", description);
}

}  // namespace Manifest
