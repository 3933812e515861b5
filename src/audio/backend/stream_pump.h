// Voices of long sounds hold a fraction of a second of samples and are topped up while they play:
// each output runs a thread that asks every such voice to refill, some fifty times a second.
#pragma once

#include <algorithm>
#include <mutex>
#include <vector>

namespace audio::backend {

class StreamPump;

class StreamingVoice {
public:
    virtual ~StreamingVoice() = default;
    // Called with the pump's lock held.
    virtual void Refill() = 0;

protected:
    explicit StreamingVoice(StreamPump& pump) : pump_(pump) {}
    // Whether the voice plays, asked under the pump's lock.
    bool PlayingNow() const;

    StreamPump& pump_;
    bool playing_ = false;
};

class StreamPump {
public:
    // The voice's own calls take this lock too, so a refill never meets a voice half changed.
    std::mutex& Lock() { return mutex_; }

    void Add(StreamingVoice* voice) {
        std::lock_guard<std::mutex> hold(mutex_);
        voices_.push_back(voice);
    }
    void Remove(StreamingVoice* voice) {
        std::lock_guard<std::mutex> hold(mutex_);
        voices_.erase(std::remove(voices_.begin(), voices_.end(), voice), voices_.end());
    }
    void RefillAll() {
        std::lock_guard<std::mutex> hold(mutex_);
        for (StreamingVoice* voice : voices_) {
            voice->Refill();
        }
    }

    // How often the thread tops the voices up, and how much each holds: a stall of the thread
    // shorter than the difference goes unheard.
    static constexpr int kPeriodMilliseconds = 20;
    static constexpr int kHeldMilliseconds = 1000;

private:
    std::mutex mutex_;
    std::vector<StreamingVoice*> voices_;
};

inline bool StreamingVoice::PlayingNow() const {
    std::lock_guard<std::mutex> hold(pump_.Lock());
    return playing_;
}

}  // namespace audio::backend
