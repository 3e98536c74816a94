#include "tests/support/ZipMaker.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace lbtest {
namespace {

const char kScript[] = R"(
import sys, zipfile
out, comment, specs = sys.argv[1], sys.argv[2], sys.argv[3:]
with zipfile.ZipFile(out, "w") as archive:
    for i in range(0, len(specs), 3):
        method, name, path = specs[i:i + 3]
        info = zipfile.ZipInfo(name, date_time=(2021, 6, 15, 10, 30, 24))
        info.compress_type = zipfile.ZIP_DEFLATED if method == "D" else zipfile.ZIP_STORED
        with open(path, "rb") as data:
            archive.writestr(info, data.read())
    archive.comment = comment.encode("latin-1")
)";

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace

std::string makeZip(const std::vector<ZipMember>& members, const std::string& comment) {
    std::string dir = (std::filesystem::temp_directory_path() / "lifeboat-zip-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    const std::filesystem::path root(dir);
    writeFile(root / "make.py", kScript);
    std::string command = "python3 " + quoted((root / "make.py").string()) + " " +
                          quoted((root / "out.zip").string()) + " " + quoted(comment);
    for (std::size_t i = 0; i < members.size(); ++i) {
        const std::filesystem::path data = root / ("m" + std::to_string(i));
        writeFile(data, members[i].data);
        command += std::string(members[i].deflated ? " D " : " S ") + quoted(members[i].name) +
                   " " + quoted(data.string());
    }
    const int status = std::system(command.c_str());
    std::ifstream in(root / "out.zip", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::filesystem::remove_all(root);
    if (status != 0) {
        throw std::runtime_error("python3 zipfile failed: " + command);
    }
    return bytes.str();
}

}  // namespace lbtest
