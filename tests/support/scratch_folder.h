// A fresh folder under /tmp for one test, removed with the object, with helpers to write and read
// the files in it; WorkingFolder also works in it while it lives.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>

class ScratchFolder {
public:
    // /tmp/aviorra-<prefix>-XXXXXX.
    explicit ScratchFolder(const std::string& prefix)
    {
        std::string pattern = "/tmp/aviorra-" + prefix + "-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a folder from " + pattern);
        }
        root_ = pattern;
    }

    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    std::string Path(const std::string& relative) const { return (root_ / relative).string(); }

    // Writes the bytes, making the folders on the way; false when the file cannot be written whole.
    bool Write(const std::string& relative, const std::string& bytes) const
    {
        const std::filesystem::path path = root_ / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return out.good();
    }

    // The whole file; empty when it is missing.
    std::string Read(const std::string& relative) const
    {
        std::ifstream in(root_ / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    bool Exists(const std::string& relative) const { return std::filesystem::exists(root_ / relative); }

private:
    std::filesystem::path root_;
};

// A scratch folder the process works in while it lives: current from its construction, and the
// folder that was current before is made current again before it is removed.
class WorkingFolder : public ScratchFolder {
public:
    explicit WorkingFolder(const std::string& prefix)
        : ScratchFolder(prefix), previous_(std::filesystem::current_path())
    {
        std::filesystem::current_path(Root());
    }

    ~WorkingFolder()
    {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }

    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::filesystem::path previous_;
};
