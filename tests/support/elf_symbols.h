// The names an ELF shared object exports: the defined global entries of its
// dynamic symbol table, read from the file.
#pragma once

#include <elf.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace olva::test {

inline std::set<std::string> DefinedDynamicSymbols(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::set<std::string> names;
    if (bytes.size() < sizeof(Elf64_Ehdr)) {
        ADD_FAILURE() << "cannot read " << path;
        return names;
    }
    const auto* header = reinterpret_cast<const Elf64_Ehdr*>(bytes.data());
    const auto* sections = reinterpret_cast<const Elf64_Shdr*>(bytes.data() + header->e_shoff);
    for (int i = 0; i < header->e_shnum; ++i) {
        if (sections[i].sh_type != SHT_DYNSYM) {
            continue;
        }
        const Elf64_Shdr& strings = sections[sections[i].sh_link];
        const auto* symbols = reinterpret_cast<const Elf64_Sym*>(bytes.data() + sections[i].sh_offset);
        const std::size_t count = sections[i].sh_size / sizeof(Elf64_Sym);
        for (std::size_t s = 1; s < count; ++s) {
            // Local entries are not exports: the arm64 linker puts section
            // symbols (.init, .data) into .dynsym.
            if (symbols[s].st_shndx == SHN_UNDEF || ELF64_ST_BIND(symbols[s].st_info) == STB_LOCAL) {
                continue;
            }
            names.insert(bytes.data() + strings.sh_offset + symbols[s].st_name);
        }
    }
    return names;
}

}  // namespace olva::test
