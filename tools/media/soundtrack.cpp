// SPDX-License-Identifier: MIT
// The mixer: renders the score in blocks of 256 frames. Each part has a
// group bus; voices add into it, the bus is ducked by the kick and filtered
// where the arrangement asks for it, sends feed the echo and the reverb, and
// everything meets on the master bus.
#include "soundtrack.h"

#include "instruments.h"
#include "score.h"
#include "synth.h"

#include <algorithm>
#include <cmath>
#include <memory>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace media {

namespace {

constexpr int kBlock = 256;
constexpr float kMasterGain = 0.9f; // leaves the limiter to catch the odd peak only

// How each part sits in the mix.
struct Mix {
  float gain;   // bus level
  float duck;   // depth of the dip under each kick, 0..1
  float echo;   // send to the ping-pong echo
  float reverb; // send to the reverb
};
Mix MixOf(Part part) {
  switch (part) {
  case Part::Kick:
    return {0.42f, 0, 0, 0.02f};
  case Part::Boom:
    return {0.4f, 0, 0, 0.15f};
  case Part::Snare:
    return {0.45f, 0, 0, 0.22f};
  case Part::ClosedHat:
    return {0.3f, 0, 0, 0.05f};
  case Part::OpenHat:
    return {0.2f, 0.2f, 0, 0.08f};
  case Part::Crash:
    return {0.2f, 0, 0, 0.2f};
  case Part::Riser:
    return {0.22f, 0, 0.1f, 0.25f};
  case Part::Bass:
    return {0.6f, 0.6f, 0, 0};
  case Part::Pad:
    return {0.09f, 0.55f, 0, 0.3f};
  case Part::Arp:
    return {0.2f, 0.35f, 0.3f, 0.18f};
  case Part::Lead:
    return {0.3f, 0.15f, 0.22f, 0.22f};
  case Part::Count:
    break;
  }
  return {0, 0, 0, 0};
}

struct Track {
  Part part;
  Mix mix;
  const std::vector<Note> *notes;
  size_t next = 0; // the first note not yet started
  std::vector<std::unique_ptr<Voice>> voices;
  float left[kBlock], right[kBlock];
};

// Gain of the ducked groups at `t` seconds after a kick: a dip that falls in
// over 5 ms (no click) and recovers over about a tenth of a second.
float DuckShape(double t) {
  if (t < 0)
    return 0;
  if (t < 0.005)
    return float(t / 0.005);
  return float(std::exp(-(t - 0.005) / 0.09));
}

} // namespace

Rendered RenderSoundtrack(unsigned parts) {
#if defined(__SSE__) || defined(__x86_64__)
  // Decaying filters and reverb tails must not sink into denormal numbers,
  // which are slow; flushing them to zero changes nothing audible. The
  // caller's setting comes back before returning.
  const unsigned callerCsr = _mm_getcsr();
  _mm_setcsr(callerCsr | 0x8040); // flush-to-zero and denormals-are-zero
#endif
  const Score score;
  const long frames = long(kTrackSeconds * synth::kRate);

  std::vector<Track> tracks(size_t(Part::Count));
  for (int p = 0; p < int(Part::Count); ++p) {
    tracks[size_t(p)].part = Part(p);
    tracks[size_t(p)].mix = MixOf(Part(p));
    if (!(parts & (1u << p)))
      tracks[size_t(p)].mix.gain = 0;
    tracks[size_t(p)].notes = &score.Notes(Part(p));
  }
  const std::vector<Note> &kicks = score.Notes(Part::Kick);
  size_t kicksStarted = 0; // kicks whose start lies at or before the current sample

  synth::PingPongDelay echo(0.366, 0.38f, 3500);
  synth::Reverb reverb(0.84f, 0.35f);
  synth::Svf padL, padR, highL, highR;
  highL.Set(28, 0.7);
  highR.Set(28, 0.7);

  Rendered out;
  out.stereo.assign(size_t(frames) * 2, 0.0f);
  uint32_t seed = 1;
  for (long start = 0; start < frames; start += kBlock) {
    const int n = int(std::min<long>(kBlock, frames - start));
    const double blockTime = double(start) / synth::kRate;
    for (Track &track : tracks) {
      std::fill(track.left, track.left + n, 0.0f);
      std::fill(track.right, track.right + n, 0.0f);
      // Voices that began in earlier blocks, dropping those that have died away.
      for (size_t v = 0; v < track.voices.size();) {
        if (track.voices[v]->Render(track.left, track.right, n))
          ++v;
        else
          track.voices.erase(track.voices.begin() + long(v));
      }
      // Notes that begin in this block, from their first sample on.
      const std::vector<Note> &notes = *track.notes;
      while (track.next < notes.size()) {
        long at = std::lround(notes[track.next].start * synth::kRate);
        if (at >= start + n)
          break;
        auto voice = MakeVoice(track.part, notes[track.next], seed++ * 2654435761u);
        int offset = int(std::max<long>(0, at - start));
        if (voice->Render(track.left + offset, track.right + offset, n - offset))
          track.voices.push_back(std::move(voice));
        ++track.next;
      }
    }

    // The pad group's filter follows the arrangement, retuned per block.
    const double cutoff = score.PadCutoff(blockTime);
    padL.Set(cutoff, 0.8);
    padR.Set(cutoff, 0.8);

    for (int i = 0; i < n; ++i) {
      const double t = double(start + i) / synth::kRate;
      while (kicksStarted < kicks.size() && kicks[kicksStarted].start <= t)
        ++kicksStarted;
      const float dip = kicksStarted ? DuckShape(t - kicks[kicksStarted - 1].start) : 0.0f;
      float mixL = 0, mixR = 0, echoIn = 0, reverbL = 0, reverbR = 0;
      for (Track &track : tracks) {
        float l = track.left[i], r = track.right[i];
        if (track.part == Part::Pad) {
          l = padL.Process(l).low;
          r = padR.Process(r).low;
        }
        const float g = track.mix.gain * (1 - track.mix.duck * dip);
        l *= g;
        r *= g;
        mixL += l;
        mixR += r;
        echoIn += (l + r) * 0.5f * track.mix.echo;
        reverbL += l * track.mix.reverb;
        reverbR += r * track.mix.reverb;
      }
      float echoL, echoR, wetL, wetR;
      echo.Process(echoIn, 0, echoL, echoR);
      reverb.Process(reverbL + echoL * 0.3f, reverbR + echoR * 0.3f, wetL, wetR);
      mixL += echoL + wetL;
      mixR += echoR + wetR;
      const float master = kMasterGain * float(score.MasterGain(t));
      out.stereo[size_t(start + i) * 2] = highL.Process(mixL).high * master;
      out.stereo[size_t(start + i) * 2 + 1] = highR.Process(mixR).high * master;
    }
  }
  const synth::LimiterStats limited = synth::LimitPeaks(out.stereo, kCeiling, 0.004, 0.15);
  out.deepestLimiterGain = limited.deepestGain;
  out.limitedShare = limited.shareBelow1dB;
#if defined(__SSE__) || defined(__x86_64__)
  _mm_setcsr(callerCsr);
#endif
  return out;
}

Levels MeasureLevels(const std::vector<float> &stereo, double fromS, double toS) {
  size_t from = size_t(std::max(0.0, fromS) * synth::kRate) * 2;
  size_t to = std::min(stereo.size(), size_t(toS * synth::kRate) * 2);
  double peak = 0, sum = 0;
  for (size_t i = from; i < to; ++i) {
    peak = std::max(peak, double(std::fabs(stereo[i])));
    sum += double(stereo[i]) * stereo[i];
  }
  double rms = to > from ? std::sqrt(sum / double(to - from)) : 0;
  auto db = [](double v) { return v > 0 ? 20 * std::log10(v) : -200.0; };
  return {db(peak), db(rms)};
}

} // namespace media
