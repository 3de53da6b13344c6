// SPDX-License-Identifier: MIT
// Proves that rarpack, run as a user would, refuses bad input with one clear
// line and a non-zero exit, and never leaves a half-written archive behind:
// no archive is created, an older one stays as it was, no temporary file
// remains, not even when a signal stops it; a FIFO in the archive's place is
// written into, not replaced.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>

#include "pack_fixtures.h"

using namespace packtest;

namespace {

const std::string kRarpack = std::string(ZARVOX_BINARY_DIR) + "/bin/rarpack";

class BadInput : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(dir.Path().empty());
    ASSERT_TRUE(WriteFile(dir / "good.txt", TextBytes(5000, 1)));
  }

  // Runs rarpack in the scratch folder with the given arguments.
  Outcome Rarpack(const std::string &args) {
    return RunCapture("cd " + Quoted(dir.Path()) + " && " + kRarpack + " " + args);
  }

  // The refusal: status 1, one line naming the problem, and nothing left over.
  void ExpectRefused(const Outcome &r, const std::string &mentions) {
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
    EXPECT_EQ(r.output.rfind("rarpack: ", 0), 0u) << r.output;
    EXPECT_NE(r.output.find(mentions), std::string::npos) << r.output;
    EXPECT_EQ(Leftovers(), "") << "temporary files left behind";
  }

  // Names in the scratch folder that look like temporary archives.
  std::string Leftovers() {
    std::string found;
    if (DIR *d = opendir(dir.Path().c_str())) {
      while (dirent *e = readdir(d))
        if (std::string(e->d_name).find(".tmp") != std::string::npos)
          found += std::string(e->d_name) + " ";
      closedir(d);
    }
    return found;
  }

  ScratchDir dir;
};

} // namespace

TEST_F(BadInput, MissingFileCreatesNoArchive) {
  ExpectRefused(Rarpack("out.rar good.txt missing.txt"), "missing.txt");
  EXPECT_FALSE(FileExists(dir / "out.rar"));
}

TEST_F(BadInput, MissingFileLeavesAnOlderArchiveUntouched) {
  ASSERT_EQ(Rarpack("out.rar good.txt").status, 0);
  Bytes before, after;
  ASSERT_TRUE(ReadFile(dir / "out.rar", &before));
  ExpectRefused(Rarpack("out.rar good.txt missing.txt"), "missing.txt");
  ASSERT_TRUE(ReadFile(dir / "out.rar", &after));
  EXPECT_TRUE(before == after);
}

TEST_F(BadInput, TheArchiveItselfAsAFile) {
  ASSERT_EQ(Rarpack("out.rar good.txt").status, 0);
  Bytes before, after;
  ASSERT_TRUE(ReadFile(dir / "out.rar", &before));
  ExpectRefused(Rarpack("out.rar good.txt ./out.rar"), "archive being written");
  ASSERT_TRUE(ReadFile(dir / "out.rar", &after));
  EXPECT_TRUE(before == after);
}

TEST_F(BadInput, UnreadableFile) {
  if (geteuid() == 0)
    GTEST_SKIP() << "running as root, which reads any file; permissions cannot make one unreadable";
  ASSERT_TRUE(WriteFile(dir / "secret.txt", {1, 2, 3}));
  ASSERT_EQ(chmod((dir / "secret.txt").c_str(), 0), 0);
  ExpectRefused(Rarpack("out.rar good.txt secret.txt"), "secret.txt");
  EXPECT_FALSE(FileExists(dir / "out.rar"));
}

TEST_F(BadInput, FolderGivenAsFile) {
  ASSERT_EQ(mkdir((dir / "folder").c_str(), 0755), 0);
  ExpectRefused(Rarpack("out.rar folder"), "not a regular file");
  EXPECT_FALSE(FileExists(dir / "out.rar"));
}

TEST_F(BadInput, NameOver259Bytes) {
  // Two folder levels so that no single component passes the file system's limit.
  const std::string a(130, 'a'), b(130, 'b');
  ASSERT_EQ(RunShell("mkdir -p " + Quoted(dir / a)), 0);
  ASSERT_TRUE(WriteFile(dir / (a + "/" + b), {1}));
  ExpectRefused(Rarpack("out.rar " + a + "/" + b), "259");
  EXPECT_FALSE(FileExists(dir / "out.rar"));
  // 259 bytes exactly is fine.
  const std::string c(259 - 131, 'c');
  ASSERT_TRUE(WriteFile(dir / (a + "/" + c), {1}));
  EXPECT_EQ(Rarpack("ok.rar " + a + "/" + c).status, 0);
}

// Names that would extract outside the target folder on some reader: '\\'
// separates folders inside an archive, and Windows takes "C:" for a drive.
TEST_F(BadInput, NameThatClimbsOutOfTheFolder) {
  ExpectRefused(Rarpack("out.rar ../x/good.txt"), "..");
  for (const char *name : {"..\\evil.txt", "\\abs.txt", "C:drive.txt", "..."}) {
    ASSERT_TRUE(WriteFile(dir / name, {1}));
    ExpectRefused(Rarpack("out.rar good.txt " + Quoted(name)), name);
  }
  EXPECT_FALSE(FileExists(dir / "out.rar"));
}

// A FIFO blocks a plain open until someone writes to it: it is refused at
// once instead (timeout only stops the program if it waits anyway).
TEST_F(BadInput, FifoIsRefusedWithoutWaiting) {
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
  ExpectRefused(RunCapture("cd " + Quoted(dir.Path()) + " && timeout 60 " + kRarpack + " out.rar good.txt pipe"),
                "'pipe': a FIFO");
  EXPECT_FALSE(FileExists(dir / "out.rar"));
}

// The temporary file's name fits wherever the archive's own fits.
TEST_F(BadInput, ArchiveNamesUpToTheSystemsLimit) {
  for (size_t length : {246, 255}) {
    const std::string name = std::string(length - 4, 'a') + ".rar";
    Outcome r = Rarpack(name + " good.txt");
    EXPECT_EQ(r.status, 0) << length << ": " << r.output;
    EXPECT_TRUE(FileExists(dir / name)) << length;
  }
  EXPECT_EQ(Leftovers(), "");
}

// Stopped by any signal that ends a process while it writes (SIGXFSZ from
// the file size limit among them), rarpack removes its temporary file and
// exits with 128 + the signal's number.
TEST_F(BadInput, StopSignalsLeaveNoTemporaryFile) {
  ASSERT_TRUE(WriteFile(dir / "big.txt", TextBytes(24 << 20, 5)));
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM, SIGXFSZ}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // A limit of 1 MiB: the first write past it raises SIGXFSZ.
      const struct rlimit limit = {1 << 20, 1 << 20};
      if (chdir(dir.Path().c_str()) == 0 && (signal != SIGXFSZ || setrlimit(RLIMIT_FSIZE, &limit) == 0))
        execl(kRarpack.c_str(), "rarpack", signal == SIGXFSZ ? "-m0" : "-m5", "out.rar", "big.txt",
              static_cast<char *>(nullptr));
      _exit(127);
    }
    int status = 0;
    bool exited = false;
    while (signal != SIGXFSZ && Leftovers().empty() && !exited) {
      exited = waitpid(child, &status, WNOHANG) == child;
      usleep(5000);
    }
    ASSERT_FALSE(exited) << "rarpack ended before its temporary file was seen";
    if (signal != SIGXFSZ)
      kill(child, signal);
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << strsignal(signal) << ": " << status;
    EXPECT_EQ(Leftovers(), "") << strsignal(signal);
    EXPECT_FALSE(FileExists(dir / "out.rar"));
  }
}

// A FIFO (or a device) where the archive goes is written into, as shell
// redirection would, not replaced by a file.
TEST_F(BadInput, AFifoInTheArchivesPlaceGetsTheArchive) {
  ASSERT_EQ(Rarpack("--mtime 0 file.rar good.txt").status, 0);
  ASSERT_EQ(mkfifo((dir / "pipe.rar").c_str(), 0600), 0);
  const Outcome r = RunCapture(
      "cd " + Quoted(dir.Path()) + " && (cat pipe.rar >copy.rar &) && timeout 60 " + kRarpack +
      " --mtime 0 pipe.rar good.txt && for i in $(seq 50); do cmp -s copy.rar file.rar && break; sleep 0.1; done");
  EXPECT_EQ(r.status, 0) << r.output;
  struct stat info;
  ASSERT_EQ(lstat((dir / "pipe.rar").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the FIFO was replaced";
  Bytes copy, file;
  ASSERT_TRUE(ReadFile(dir / "copy.rar", &copy));
  ASSERT_TRUE(ReadFile(dir / "file.rar", &file));
  EXPECT_TRUE(copy == file) << "the reader got other bytes than a file gets";
  EXPECT_EQ(Leftovers(), "");
}

// The password read from a file or standard input (never seen in the
// process list) enciphers as the one given on the command line does.
TEST_F(BadInput, PasswordFromAFileOrStandardInput) {
  ASSERT_TRUE(WriteFile(dir / "password", {'t', 'a', 'r', 's', 'k', '\r', '\n', 'x'}));
  ASSERT_EQ(Rarpack("--mtime 0 --password tarsk given.rar good.txt").status, 0);
  Outcome r = Rarpack("--mtime 0 --password-file password file.rar good.txt");
  ASSERT_EQ(r.status, 0) << r.output;
  r = Rarpack("--mtime 0 --password-file - piped.rar good.txt <password");
  ASSERT_EQ(r.status, 0) << r.output;
  Bytes given, file, piped;
  ASSERT_TRUE(ReadFile(dir / "given.rar", &given));
  ASSERT_TRUE(ReadFile(dir / "file.rar", &file));
  ASSERT_TRUE(ReadFile(dir / "piped.rar", &piped));
  EXPECT_TRUE(file == given);
  EXPECT_TRUE(piped == given);
  ExpectRefused(Rarpack("--password-file missing out.rar good.txt"), "missing");
  EXPECT_EQ(Rarpack("--password a --password-file password out.rar good.txt").status, 2);
}

TEST_F(BadInput, PasswordOver254Characters) {
  ExpectRefused(Rarpack("--password " + std::string(255, 'p') + " out.rar good.txt"), "254");
  EXPECT_FALSE(FileExists(dir / "out.rar"));
  EXPECT_EQ(Rarpack("--password " + std::string(254, 'p') + " ok.rar good.txt").status, 0);
}

TEST_F(BadInput, FileOver4GiB) {
  // Sparse: it takes no room on disk.
  int fd = open((dir / "huge.bin").c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, off_t(0x100000000ll)), 0);
  close(fd);
  ExpectRefused(Rarpack("out.rar good.txt huge.bin"), "4 GiB");
  EXPECT_FALSE(FileExists(dir / "out.rar"));
}

TEST_F(BadInput, ArchivePathIsAFolder) {
  ASSERT_EQ(mkdir((dir / "target").c_str(), 0755), 0);
  ExpectRefused(Rarpack("target good.txt"), "is a directory");
}

TEST_F(BadInput, ArchiveInAFolderThatDoesNotExist) {
  ExpectRefused(Rarpack("no/such/folder/out.rar good.txt"), "no/such/folder");
}

TEST_F(BadInput, UsageErrorsExitWithStatus2) {
  for (const char *args : {"", "out.rar", "--frobnicate out.rar good.txt", "-m9 out.rar good.txt",
                           "--audio 5 out.rar good.txt", "--mtime soon out.rar good.txt", "--password"}) {
    Outcome r = Rarpack(args);
    EXPECT_EQ(r.status, 2) << args << ": " << r.output;
    EXPECT_NE(r.output.find("rarpack: "), std::string::npos) << args;
  }
  EXPECT_FALSE(FileExists(dir / "out.rar"));
}

TEST_F(BadInput, HelpDescribesEveryOption) {
  Outcome r = Rarpack("--help");
  EXPECT_EQ(r.status, 0);
  for (const char *option :
       {"--store", "-m0", "--solid", "--password", "--password-file", "--audio", "--mtime", "--help"})
    EXPECT_NE(r.output.find(option), std::string::npos) << option;
}
