#include "catalogue/program_directory.h"

#include <vector>

#include "store/file_layer.h"

namespace kodexa {

std::string ProgramDirectory(const std::string& programPath) {
    std::string::size_type slash = programPath.rfind('/');
    std::string directory = slash == std::string::npos ? std::string() : programPath.substr(0, slash);
    return directory + '/';
}

std::string ExecutablePath(const char* argv0) {
    std::vector<char> buffer(256);
    for (;;) {
        ssize_t length = ReadLink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) break;
        // A full buffer may hold a cut path; try again with more room.
        if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
        if (buffer.size() >= 65536) break;
        buffer.resize(buffer.size() * 2);
    }
    return argv0 != nullptr ? argv0 : "";
}

}  // namespace kodexa
