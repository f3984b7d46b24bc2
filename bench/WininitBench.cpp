// Times the WININIT.INI editor: adds an entry to the Rename section of a file of the given
// number of lines and removes it again, many times, and prints the mean time of one edit,
// beside the floor: reading the whole file and writing it back once.
//   os_wininit_bench FILE LINES ROUNDS
// Exit code 1 when the file is not byte for byte what it was after the last round.
#include "os/IniFile.h"
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string FileBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One header line and lines - 1 entries, like a WININIT.INI that many setups have written to.
std::string MakeWininit(int lines) {
    std::string text = "[Rename]\r\n";
    char line[128];
    for (int n = 1; n < lines; ++n) {
        std::snprintf(line, sizeof line,
                      "C:\\WINDOWS\\SYSTEM\\FILE%05d.DLL = C:\\TEMP\\F%05d.TMP\r\n", n, n);
        text += line;
    }
    return text;
}

// Reads the whole file and writes it back in place: what any edit must at least cost.
void ReadAndWriteOnce(const char* path, std::string& buffer) {
    const HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    buffer.resize(GetFileSize(file, nullptr));
    ReadFile(file, &buffer[0], static_cast<DWORD>(buffer.size()), &done, nullptr);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    WriteFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &done, nullptr);
    CloseHandle(file);
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& rate) {
    return double(to.QuadPart - from.QuadPart) / double(rate.QuadPart);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: os_wininit_bench FILE LINES ROUNDS\n");
        return 2;
    }
    const char* const path = argv[1];
    const int lines = std::atoi(argv[2]);
    const int rounds = std::atoi(argv[3]);
    const std::string original = MakeWininit(lines);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(original.data(), static_cast<std::streamsize>(original.size()));
    }
    LARGE_INTEGER rate;
    LARGE_INTEGER start;
    LARGE_INTEGER added;
    LARGE_INTEGER now;
    QueryPerformanceFrequency(&rate);
    double addSeconds = 0;
    double removeSeconds = 0;
    SWININIT::CIniFile editor(path);
    for (int round = 0; round < rounds; ++round) {
        QueryPerformanceCounter(&start);
        editor.AddEntry("Rename", "C:\\WINDOWS\\SYSTEM\\ZVCSP.DLL",
                        "C:\\WINDOWS\\TEMP\\ZVCSP~1.TMP");
        QueryPerformanceCounter(&added);
        editor.RemoveEntry("Rename", "C:\\WINDOWS\\SYSTEM\\ZVCSP.DLL",
                           "C:\\WINDOWS\\TEMP\\ZVCSP~1.TMP");
        QueryPerformanceCounter(&now);
        addSeconds += Seconds(start, added, rate);
        removeSeconds += Seconds(added, now, rate);
    }
    std::string buffer;
    QueryPerformanceCounter(&start);
    for (int round = 0; round < rounds; ++round) {
        ReadAndWriteOnce(path, buffer);
    }
    QueryPerformanceCounter(&now);
    const double floorSeconds = Seconds(start, now, rate);
    const bool restored = FileBytes(path) == original;
    std::printf(
        "%6d lines %8u bytes  %5d rounds  add %8.1f us  remove %8.1f us  per edit %8.1f us  "
        "read+write %8.1f us  ratio %4.1f%s\n",
        lines, static_cast<unsigned>(original.size()), rounds, addSeconds * 1e6 / rounds,
        removeSeconds * 1e6 / rounds, (addSeconds + removeSeconds) * 1e6 / (2.0 * rounds),
        floorSeconds * 1e6 / rounds, (addSeconds + removeSeconds) / (2.0 * floorSeconds),
        restored ? "" : "  FILE NOT RESTORED");
    return restored ? 0 : 1;
}
