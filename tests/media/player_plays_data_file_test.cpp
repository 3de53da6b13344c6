// Proves that the show plays its soundtrack from the data file: the music
// player, over our RAR reader and the sound layer (mixing offline, no device),
// plays zarvox.mp3 out of zarvox.dat from its first sample to its last; and
// where no device opens, the layer says so in one line.
#include "archive/data_archive.h"
#include "media_files.h"
#include "platform/fsound.h"
#include "platform/tap.h"
#include "sound/music_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

TEST(ShowSoundtrack, MusicPlayerPlaysItFromTheDataFileToTheEnd) {
  const std::vector<uint8_t> mp3 = media_test::ReadFile(media_test::MediaPath("zarvox.mp3"));
  int16_t *reference = nullptr;
  size_t count = 0;
  int rate = 0, channels = 0;
  ASSERT_TRUE(PlatformDecodeMp3(mp3.data(), mp3.size(), &reference, &count, &rate, &channels));
  const std::vector<int16_t> expected(reference, reference + count);
  std::free(reference);
  ASSERT_EQ(channels, 2);

  PlatformSetSoundPull(true);
  std::vector<int16_t> played(expected.size() + 2 * 44100);
  {
    DataArchive archive(std::string(ZARVOX_BINARY_DIR) + "/bin/zarvox.dat");
    MusicPlayer player(SoundSetup{0, FSOUND_OUTPUT_DSOUND, 44100}, &archive);
    ASSERT_TRUE(player.Open("zarvox.mp3"));
    ASSERT_TRUE(player.Play());
    const int block = 4096;
    for (size_t at = 0; at < played.size(); at += size_t(block) * 2)
      PlatformSoundPull(played.data() + at, int(std::min<size_t>(block, (played.size() - at) / 2)));
    EXPECT_EQ(PlatformGetSoundCounts().streamsEnded, 1u);
  }
  PlatformSetSoundPull(false);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), played.begin())) << "the mix is not the decoded track";
  EXPECT_TRUE(std::all_of(played.begin() + long(expected.size()), played.end(), [](int16_t v) { return v == 0; }))
      << "sound after the end of the track";
}

// Without any sound device the layer says so in one line of its own; the
// libraries it tries on the way (ALSA, sndio) add none of theirs. In a child
// whose stderr is read back, with every sound server out of reach.
TEST(ShowSoundtrack, WithoutADeviceOneLineSaysTheShowGoesOnSilent) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(fds[1], STDERR_FILENO);
    close(fds[0]);
    unsetenv("SDL_AUDIODRIVER");
    setenv("PULSE_SERVER", "unix:/nonexistent/native", 1);
    setenv("PIPEWIRE_REMOTE", "/nonexistent/pipewire-0", 1);
    setenv("XDG_RUNTIME_DIR", "/nonexistent", 1);
    FSOUND_SetOutput(-1);
    const bool opened = FSOUND_Init(44100, 32, 0) != 0 && FSOUND_GetNumDrivers() > 0;
    FSOUND_Close();
    _exit(opened ? 3 : 0);
  }
  close(fds[1]);
  std::string said;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
    said.append(buffer, size_t(n));
  close(fds[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
    GTEST_SKIP() << "this machine has a sound device";
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_EQ(said.rfind("FSOUND: no sound device opens", 0), 0u) << said;
  EXPECT_NE(said.find("going on without sound"), std::string::npos) << said;
}

} // namespace
