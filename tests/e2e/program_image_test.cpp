// What the built program's image asks of the loader at every start: the libraries it
// imports (each one is loaded, and under Wine some cost tens of milliseconds) and a file
// layout that lets Wine map the image rather than read it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#ifndef KORV3_EXE
#error "KORV3_EXE must name the program under test"
#endif

namespace {

struct Image {
    std::vector<char> bytes;
    const IMAGE_NT_HEADERS* nt = nullptr;  // the build's own width, as the program's

    template <class T>
    const T* At(std::size_t offset) const {
        return offset + sizeof(T) <= bytes.size() ? reinterpret_cast<const T*>(bytes.data() + offset)
                                                  : nullptr;
    }

    // The file offset of a relative virtual address, through the section table.
    std::size_t OffsetOf(DWORD rva) const {
        const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
            if (rva >= section->VirtualAddress &&
                rva < section->VirtualAddress + std::max(section->Misc.VirtualSize, section->SizeOfRawData)) {
                return rva - section->VirtualAddress + section->PointerToRawData;
            }
        }
        return bytes.size();
    }
};

Image ReadImage() {
    std::string path = KORV3_EXE;
    if (!path.empty() && path.front() == '/') path = "Z:" + path;
    std::ifstream file(path, std::ios::binary);
    Image image;
    image.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    const auto* dos = image.At<IMAGE_DOS_HEADER>(0);
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) return image;
    const auto* nt = image.At<IMAGE_NT_HEADERS>(static_cast<std::size_t>(dos->e_lfanew));
    if (nt && nt->Signature == IMAGE_NT_SIGNATURE &&
        nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR_MAGIC) {
        image.nt = nt;
    }
    return image;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

TEST(ProgramImageTest, ImportsOnlyWhatEveryStartNeeds) {
    const Image image = ReadImage();
    ASSERT_TRUE(image.nt) << "not a PE image of this build's width: " << KORV3_EXE;
    const IMAGE_DATA_DIRECTORY& directory =
        image.nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::set<std::string> imports;
    for (std::size_t at = image.OffsetOf(directory.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* entry = image.At<IMAGE_IMPORT_DESCRIPTOR>(at);
        ASSERT_TRUE(entry) << "the import table runs past the file";
        if (entry->Name == 0) break;
        const std::size_t name = image.OffsetOf(entry->Name);
        ASSERT_LT(name, image.bytes.size());
        imports.insert(Lower(std::string(image.bytes.data() + name,
                                         strnlen(image.bytes.data() + name, image.bytes.size() - name))));
    }
    // The common controls and the shell are loaded when a manifest is written or a link
    // opened, not at start.
    const std::set<std::string> expected{"advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
                                         "user32.dll"};
    EXPECT_EQ(imports, expected);
}

TEST(ProgramImageTest, SectionsLieInTheFileAsInMemory) {
    const Image image = ReadImage();
    ASSERT_TRUE(image.nt);
    EXPECT_EQ(image.nt->OptionalHeader.FileAlignment, image.nt->OptionalHeader.SectionAlignment);
}

}  // namespace
