// The click and the volume keys on Linux, over PulseAudio's client library (PipeWire desktops serve
// the same protocol); no Qt. Nothing here starts a sound server.
//
// The click never holds its command. One connection, made on the first tone and kept for the
// process, runs on libpulse's own thread (a threaded main loop). Each tone is put once into the
// server's sample cache; every later request only asks the server to play that sample, which
// returns at once and goes on sounding even after the program has ended (Exit's click is heard in
// full). Until the connection is ready the newest request waits in `pendingTone`, and is played
// when the sample is in, unless it has gone stale. A server that is gone fails the connection; the
// next tone tries again, so nothing ever waits on it.
//
// The volume step is a short-lived blocking connection that reads the default sink's volume and
// sets the next step (a few milliseconds: the key asks for it and waits for nothing else).
#include "platform/sound.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>
#include <string>
#include <thread>
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

namespace {

// A click that could not sound within this time after its command is not played late.
constexpr auto kStaleTone = std::chrono::milliseconds(250);
// At the program's end, how long a click just asked for may take to reach the server.
constexpr auto kLastRequestWait = std::chrono::milliseconds(50);

struct ToneRequest {
  int frequencyHz = 0;
  int milliseconds = 0;
  std::chrono::steady_clock::time_point askedAt;
  std::string SampleName() const { return "vellumtide-tone-" + std::to_string(frequencyHz) + "-" + std::to_string(milliseconds); }
};

// The kept connection. Every member is guarded by the threaded main loop's lock; the callbacks run
// on libpulse's thread with that lock held.
class TonePlayer {
 public:
  ~TonePlayer() {
    if (!loop) return;
    WaitForLastRequest();
    pa_threaded_mainloop_stop(loop);
    DropContext();
    pa_threaded_mainloop_free(loop);
  }

  void Play(const ToneRequest& tone) {
    if (!loop && !StartLoop()) return;
    pa_threaded_mainloop_lock(loop);
    pendingTone = tone;
    hasPending = true;
    EnsureConnection();
    ServePending();
    pa_threaded_mainloop_unlock(loop);
  }

 private:
  bool StartLoop() {
    loop = pa_threaded_mainloop_new();
    if (loop && pa_threaded_mainloop_start(loop) == 0) return true;
    if (loop) pa_threaded_mainloop_free(loop);
    loop = nullptr;
    return false;
  }

  // Starts connecting unless connected or connecting; a connection that failed is made again.
  void EnsureConnection() {
    if (context && PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) return;
    DropContext();
    context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Vellumtide");
    if (!context) return;
    pa_context_set_state_callback(context, OnContextState, this);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) DropContext();
  }

  void DropContext() {
    if (upload) {
      pa_stream_set_state_callback(upload, nullptr, nullptr);
      pa_stream_unref(upload);
      upload = nullptr;
    }
    if (lastRequest) pa_operation_unref(lastRequest);
    lastRequest = nullptr;
    if (context) {
      pa_context_set_state_callback(context, nullptr, nullptr);
      pa_context_disconnect(context);
      pa_context_unref(context);
    }
    context = nullptr;
    uploaded.clear();
  }

  // Plays the waiting tone if the connection can: from the cache, or once its upload is done.
  void ServePending() {
    if (!hasPending || !context || pa_context_get_state(context) != PA_CONTEXT_READY) return;
    if (std::chrono::steady_clock::now() - pendingTone.askedAt > kStaleTone) {
      hasPending = false;
      return;
    }
    const std::string name = pendingTone.SampleName();
    if (uploaded.count(name)) {
      hasPending = false;
      if (lastRequest) pa_operation_unref(lastRequest);
      lastRequest = pa_context_play_sample(context, name.c_str(), nullptr, PA_VOLUME_NORM, nullptr, nullptr);
      return;
    }
    if (!upload) StartUpload(pendingTone);
  }

  void StartUpload(const ToneRequest& tone) {
    pa_sample_spec format{PA_SAMPLE_S16LE, kToneRate, 1};
    uploadSamples = ToneSamples(tone.frequencyHz, tone.milliseconds);
    uploadName = tone.SampleName();
    upload = pa_stream_new(context, uploadName.c_str(), &format, nullptr);
    if (!upload) return;
    pa_stream_set_state_callback(upload, OnUploadState, this);
    if (pa_stream_connect_upload(upload, uploadSamples.size() * sizeof(int16_t)) < 0) FinishUpload(false);
  }

  void FinishUpload(bool done) {
    if (done) uploaded.insert(uploadName);
    pa_stream_set_state_callback(upload, nullptr, nullptr);
    pa_stream_unref(upload);
    upload = nullptr;
    if (!done) hasPending = false;  // the server keeps no samples: no click rather than a wait
    ServePending();
  }

  static void OnContextState(pa_context* c, void* self) {
    auto* player = static_cast<TonePlayer*>(self);
    if (pa_context_get_state(c) == PA_CONTEXT_READY) player->ServePending();
  }

  static void OnUploadState(pa_stream* stream, void* self) {
    auto* player = static_cast<TonePlayer*>(self);
    switch (pa_stream_get_state(stream)) {
      case PA_STREAM_READY:
        // The whole tone at once; finishing the upload puts it into the cache.
        if (pa_stream_write(stream, player->uploadSamples.data(), player->uploadSamples.size() * sizeof(int16_t), nullptr, 0,
                            PA_SEEK_RELATIVE) < 0 ||
            pa_stream_finish_upload(stream) < 0)
          player->FinishUpload(false);
        break;
      case PA_STREAM_TERMINATED: player->FinishUpload(true); break;
      case PA_STREAM_FAILED: player->FinishUpload(false); break;
      default: break;
    }
  }

  // The last click (Exit's) reaches the server before the connection goes, so that it is heard.
  void WaitForLastRequest() {
    auto deadline = std::chrono::steady_clock::now() + kLastRequestWait;
    for (;;) {
      pa_threaded_mainloop_lock(loop);
      bool busy = (lastRequest && pa_operation_get_state(lastRequest) == PA_OPERATION_RUNNING) ||
                  (hasPending && context && PA_CONTEXT_IS_GOOD(pa_context_get_state(context)));
      pa_threaded_mainloop_unlock(loop);
      if (!busy || std::chrono::steady_clock::now() > deadline) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;
  pa_stream* upload = nullptr;          // the tone being put into the cache, or null
  std::string uploadName;
  std::vector<int16_t> uploadSamples;
  std::set<std::string> uploaded;       // samples in the server's cache over this connection
  ToneRequest pendingTone;              // the newest tone not yet played
  bool hasPending = false;
  pa_operation* lastRequest = nullptr;  // the last play request sent
};

TonePlayer tonePlayer;  // ends with the process, after its last click has reached the server

}  // namespace

void PlayTone(int frequencyHz, int milliseconds) {
  if (frequencyHz <= 0 || milliseconds <= 0) return;
  tonePlayer.Play(ToneRequest{frequencyHz, milliseconds, std::chrono::steady_clock::now()});
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
