#include "run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

Folder::Folder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "voxbank-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("no temporary folder");
    dir_ = pattern;
}

Folder::~Folder()
{
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void Folder::Put(const std::string& name, const std::string& bytes) const
{
    std::ofstream(Path(name), std::ios::binary) << bytes;
}

std::string Folder::Get(const std::string& name) const
{
    return Slurp(Path(name));
}

bool Folder::Has(const std::string& name) const
{
    return std::filesystem::exists(Path(name));
}

void Folder::Remove(const std::string& name) const
{
    std::filesystem::remove(Path(name));
}

Outcome Folder::RunVoxbank(const std::vector<std::string>& args, const std::vector<std::string>& env) const
{
    std::vector<std::string> argStrings = {VOXBANK};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (const std::string& a : argStrings)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (char** e = environ; *e; e++) {
        std::string name = std::string(*e).substr(0, std::string(*e).find('=') + 1);
        bool replaced = false;
        for (const std::string& given : env)
            replaced = replaced || given.compare(0, name.size(), name) == 0;
        if (!replaced)
            envp.push_back(*e);
    }
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    const std::string out = dir_ + ".out", err = dir_ + ".err";
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid;
    int spawned = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    Outcome o;
    int wait = 0;
    if (spawned != 0 || waitpid(pid, &wait, 0) != pid)
        throw std::runtime_error("voxbank could not be run");
    if (WIFEXITED(wait))
        o.status = WEXITSTATUS(wait);
    else if (WIFSIGNALED(wait))
        o.signal = WTERMSIG(wait);
    o.out = Slurp(out);
    o.err = Slurp(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return o;
}
