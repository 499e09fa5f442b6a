// voxbank run as the real program on files in a temporary folder of the test's own.
#pragma once

#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct Outcome {
    int status = -1;  // exit status; -1 when it was killed
    bool killed = false;
    std::string out, err;
};

class Folder {
public:
    Folder() : dir_((std::filesystem::temp_directory_path() / "voxbank-test-XXXXXX").string()) { mkdtemp(dir_.data()); }
    ~Folder() { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    void Put(const std::string& name, const std::string& bytes) const { std::ofstream(Path(name), std::ios::binary) << bytes; }
    std::string Get(const std::string& name) const  // "" for a file that is not there
    {
        std::ostringstream bytes;
        bytes << std::ifstream(Path(name), std::ios::binary).rdbuf();
        return bytes.str();
    }
    bool Has(const std::string& name) const { return std::filesystem::exists(Path(name)); }
    // The text with each '@' standing for this folder.
    std::string InFolder(std::string s) const
    {
        for (size_t at; (at = s.find('@')) != std::string::npos;)
            s.replace(at, 1, Path(""));
        return s;
    }

    // Runs voxbank with these arguments and "NAME=value" settings for killpoint.c added to its
    // environment; its output goes to the file output names where that is given.
    Outcome RunVoxbank(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                       const std::string& output = "") const
    {
        int wait = std::system((Command(args, env) + " >" + Quoted(output.empty() ? Path(".out") : output) + " 2>" +
                                Quoted(Path(".err"))).c_str());
        Outcome o;
        // The shell either hands the signal on or reports it as 128 and its number.
        o.killed = WIFSIGNALED(wait) ? WTERMSIG(wait) == SIGKILL : WEXITSTATUS(wait) == 128 + SIGKILL;
        o.status = WIFEXITED(wait) && !o.killed ? WEXITSTATUS(wait) : -1;
        o.out = Get(".out");
        o.err = Get(".err");
        return o;
    }

    // The shell command that runs voxbank so, with killpoint.c loaded: without settings it
    // changes nothing.
    static std::string Command(const std::vector<std::string>& args, const std::vector<std::string>& env)
    {
        std::string command = "env LD_PRELOAD=" KILLPOINT " ASAN_OPTIONS=verify_asan_link_order=0";
        for (const std::string& word : env)
            command += " " + Quoted(word);
        command += " " + Quoted(VOXBANK);
        for (const std::string& word : args)
            command += " " + Quoted(word);
        return command;
    }

    static std::string Quoted(const std::string& s)
    {
        std::string q = "'";
        for (char c : s)
            q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    }

private:
    std::string dir_;
};
