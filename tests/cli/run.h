// voxbank run as the real program on files in a folder of the test's own.
#pragma once

#include <string>
#include <vector>

struct Outcome {
    int status = -1;  // exit status; -1 when it was killed
    int signal = 0;   // what killed it
    std::string out, err;
};

// A temporary folder, gone again with the object.
class Folder {
public:
    Folder();
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    void Put(const std::string& name, const std::string& bytes) const;
    std::string Get(const std::string& name) const;  // "" for a file that is not there
    bool Has(const std::string& name) const;
    void Remove(const std::string& name) const;
    // Runs voxbank with these arguments and "NAME=value" variables added to the environment.
    Outcome RunVoxbank(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) const;

private:
    std::string dir_;
};
