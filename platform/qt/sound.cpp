// The click and the volume keys over PulseAudio's client library (PipeWire desktops serve the same
// protocol). The click is a short blocking stream; the volume step is a short-lived connection
// that reads the default sink's volume and sets the next step. Nothing here starts a sound server.
#include "platform/sound.h"

#include <pulse/pulseaudio.h>
#include <pulse/simple.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace vt {

namespace {

constexpr int kToneRate = 22050;
constexpr double kFadeSeconds = 0.005;  // soft edges: no click at the start and end of the tone
constexpr pa_volume_t kVolumeStep = (PA_VOLUME_NORM + 10) / 20;  // 5 %, as a desktop's volume key
constexpr auto kRequestTimeout = std::chrono::seconds(2);       // a server that does not answer

std::vector<int16_t> ToneSamples(int frequencyHz, int milliseconds) {
  size_t count = static_cast<size_t>(kToneRate) * static_cast<size_t>(milliseconds) / 1000;
  size_t fade = static_cast<size_t>(kFadeSeconds * kToneRate);
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i) {
    double edge = std::min({1.0, static_cast<double>(i) / fade, static_cast<double>(count - i) / fade});
    double value = std::sin(2 * M_PI * frequencyHz * static_cast<double>(i) / kToneRate);
    samples[i] = static_cast<int16_t>(std::lround(0.4 * 32767 * edge * value));
  }
  return samples;
}

// A blocking connection to the sound server for one request; `ok` is false when there is none.
struct VolumeConnection {
  pa_mainloop* loop = pa_mainloop_new();
  pa_context* context = nullptr;
  bool ok = false;
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::now() + kRequestTimeout;

  // One round of the loop, waiting at most 50 ms; false once the request has taken too long.
  bool Iterate() {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (pa_mainloop_prepare(loop, 50000) < 0 || pa_mainloop_poll(loop) < 0) return false;
    return pa_mainloop_dispatch(loop) >= 0;
  }

  VolumeConnection() {
    if (!loop) return;
    context = pa_context_new(pa_mainloop_get_api(loop), "Vellumtide");
    if (!context || pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return;
    for (;;) {
      pa_context_state_t state = pa_context_get_state(context);
      if (state == PA_CONTEXT_READY) {
        ok = true;
        return;
      }
      if (!PA_CONTEXT_IS_GOOD(state) || !Iterate()) return;
    }
  }
  ~VolumeConnection() {
    if (context) {
      pa_context_disconnect(context);
      pa_context_unref(context);
    }
    if (loop) pa_mainloop_free(loop);
  }

  // Runs the loop until the operation has finished.
  void Wait(pa_operation* op) {
    if (!op) return;
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
      if (!Iterate()) break;
    pa_operation_unref(op);
  }
};

struct SinkVolume {
  bool found = false;
  pa_cvolume volume{};
};

void OnSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* user) {
  if (eol || !info) return;
  auto* result = static_cast<SinkVolume*>(user);
  result->found = true;
  result->volume = info->volume;
}

}  // namespace

void PlayTone(int frequencyHz, int milliseconds) {
  if (frequencyHz <= 0 || milliseconds <= 0) return;
  pa_sample_spec format{PA_SAMPLE_S16LE, kToneRate, 1};
  pa_buffer_attr attr;
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(40000, &format));
  attr.prebuf = static_cast<uint32_t>(-1);
  attr.minreq = static_cast<uint32_t>(-1);
  attr.fragsize = static_cast<uint32_t>(-1);
  int error = 0;
  pa_simple* stream = pa_simple_new(nullptr, "Vellumtide", PA_STREAM_PLAYBACK, nullptr, "Click", &format, nullptr, &attr, &error);
  if (!stream) return;
  std::vector<int16_t> samples = ToneSamples(frequencyHz, milliseconds);
  if (pa_simple_write(stream, samples.data(), samples.size() * sizeof(int16_t), &error) == 0)
    pa_simple_drain(stream, &error);
  pa_simple_free(stream);
}

void StepMasterVolume(int direction) {
  VolumeConnection connection;
  if (!connection.ok) return;
  SinkVolume sink;
  connection.Wait(pa_context_get_sink_info_by_name(connection.context, "@DEFAULT_SINK@", OnSinkInfo, &sink));
  if (!sink.found || !pa_cvolume_valid(&sink.volume)) return;
  pa_cvolume volume = sink.volume;
  if (direction > 0)
    pa_cvolume_inc_clamp(&volume, kVolumeStep, std::max<pa_volume_t>(PA_VOLUME_NORM, pa_cvolume_max(&sink.volume)));
  else
    pa_cvolume_dec(&volume, kVolumeStep);
  if (pa_cvolume_equal(&volume, &sink.volume)) return;
  connection.Wait(pa_context_set_sink_volume_by_name(connection.context, "@DEFAULT_SINK@", &volume, nullptr, nullptr));
}

}  // namespace vt
