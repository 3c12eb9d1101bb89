#include "FakePlatform.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace veltrane::fakes {

void FakePrompts::ShowMessage(const std::string& text, MessageIcon icon) {
    shown.push_back({text, false, icon});
}

bool FakePrompts::AskWarning(const std::string& text) {
    shown.push_back({text, true, MessageIcon::Warning});
    if (answers_.empty()) {
        return false;
    }
    const bool answer = answers_.front();
    answers_.pop_front();
    return answer;
}

std::vector<std::string> FakePrompts::Texts() const {
    std::vector<std::string> texts;
    for (const auto& item : shown) {
        texts.push_back(item.text);
    }
    return texts;
}

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("veltrane-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteScript(const std::string& path, bool executable) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::trunc) << "#!/bin/sh\nexit 0\n";
    using std::filesystem::perms;
    std::filesystem::permissions(path,
                                 executable ? perms::owner_all : perms::owner_read | perms::owner_write);
}

std::string TestDataPath(const std::string& name) {
    const char* root = std::getenv("VELTRANE_TEST_DATA");
    return std::string(root ? root : "tests/data") + "/" + name;
}

} // namespace veltrane::fakes
