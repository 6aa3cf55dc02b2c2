// The recording line's choice and volume on mixers shaped like real sound cards: a
// multiplexer destination (microphone, line in, CD), a multi-select mixer, and a
// device without a mixer.
#include <gtest/gtest.h>

#include <map>

#include "capture/input_mixer.h"
#include "capture/mixer_constants.h"
#include "player/output_volume.h"
#include "tests/support/map_section.h"

namespace {

using namespace vt;

// A mixer held in memory: lines with controls whose values the test reads back.
struct FakeControl {
  MixerControl control;
  std::vector<uint32_t> values;     // one value, or one per item
  std::vector<uint32_t> item_lines; // list controls: the line id of each item
};

struct FakeLine {
  MixerLine line;
  std::vector<uint32_t> controls;  // control ids
};

class FakeMixer {
 public:
  // Adds a destination and returns its index.
  uint32_t add_destination(uint32_t type, const char* name) {
    FakeLine fake;
    fake.line.line_id = 0xFFFF0000u + static_cast<uint32_t>(destinations_.size());
    fake.line.destination = static_cast<uint32_t>(destinations_.size());
    fake.line.component_type = type;
    fake.line.name = name;
    destinations_.push_back(fake);
    sources_.emplace_back();
    return fake.line.destination;
  }
  uint32_t add_source(uint32_t destination, uint32_t type, const char* name) {
    FakeLine fake;
    fake.line.line_id = ((destination + 1) << 16) | static_cast<uint32_t>(sources_[destination].size());
    fake.line.destination = destination;
    fake.line.component_type = type;
    fake.line.name = name;
    sources_[destination].push_back(fake);
    ++destinations_[destination].line.source_count;
    return fake.line.line_id;
  }
  // Adds a control to a line (by line id) with a starting value; returns its id.
  uint32_t add_control(uint32_t line_id, uint32_t type, std::vector<uint32_t> values,
                       std::vector<uint32_t> item_lines = {}) {
    FakeControl fake;
    fake.control.control_id = next_control_++;
    fake.control.type = type;
    fake.control.item_count = item_lines.empty() ? 0 : static_cast<uint32_t>(item_lines.size());
    fake.values = values;
    fake.item_lines = item_lines;
    controls_[fake.control.control_id] = fake;
    line(line_id)->controls.push_back(fake.control.control_id);
    return fake.control.control_id;
  }
  const std::vector<uint32_t>& values(uint32_t control_id) { return controls_[control_id].values; }
  int writes = 0;
  int opens = 0;

  class Device : public MixerDevice {
   public:
    explicit Device(FakeMixer& mixer) : m_(mixer) {}
    bool find_line(uint32_t type, MixerLine* line) override {
      for (auto& destination : m_.destinations_)
        if (destination.line.component_type == type) return *line = destination.line, true;
      for (auto& lines : m_.sources_)
        for (auto& source : lines)
          if (source.line.component_type == type) return *line = source.line, true;
      return false;
    }
    bool source_line(const MixerLine& destination, uint32_t index, MixerLine* line) override {
      if (destination.destination >= m_.sources_.size()) return false;
      auto& lines = m_.sources_[destination.destination];
      if (index >= lines.size()) return false;
      *line = lines[index].line;
      return true;
    }
    bool line_controls(const MixerLine& line, std::vector<MixerControl>* controls) override {
      FakeLine* fake = m_.line(line.line_id);
      if (!fake) return false;
      controls->clear();
      for (uint32_t id : fake->controls) controls->push_back(m_.controls_[id].control);
      return true;
    }
    bool list_item_lines(const MixerControl& control, std::vector<uint32_t>* line_ids) override {
      *line_ids = m_.controls_.at(control.control_id).item_lines;
      return true;
    }
    bool set_uniform_value(const MixerControl& control, uint32_t value) override {
      FakeControl& fake = m_.controls_.at(control.control_id);
      if (!fake.item_lines.empty()) return false;
      fake.values.assign(fake.values.size(), value);
      ++m_.writes;
      return true;
    }
    bool set_item_values(const MixerControl& control, const std::vector<uint32_t>& values) override {
      FakeControl& fake = m_.controls_.at(control.control_id);
      if (values.size() != fake.item_lines.size()) return false;
      fake.values = values;
      ++m_.writes;
      return true;
    }

   private:
    FakeMixer& m_;
  };

 private:
  FakeLine* line(uint32_t line_id) {
    for (auto& destination : destinations_)
      if (destination.line.line_id == line_id) return &destination;
    for (auto& lines : sources_)
      for (auto& source : lines)
        if (source.line.line_id == line_id) return &source;
    return nullptr;
  }
  std::vector<FakeLine> destinations_;
  std::vector<std::vector<FakeLine>> sources_;
  std::map<uint32_t, FakeControl> controls_;
  uint32_t next_control_ = 1;
};

// Wave-input device n uses mixer n; devices without an entry have no mixer.
class FakeMixers : public MixerSystem {
 public:
  std::unique_ptr<MixerDevice> open_for_wave_in(int device) override {
    auto it = mixers.find(device);
    if (it == mixers.end()) return nullptr;
    ++it->second.opens;
    return std::unique_ptr<MixerDevice>(new FakeMixer::Device(it->second));
  }
  std::unique_ptr<MixerDevice> open_for_wave_out(int device) override { return nullptr; }
  std::map<int, FakeMixer> mixers;
};

// A classic card: speakers first, then the recording destination with a volume, an
// on/off switch, a mute and a multiplexer whose items list the sources in another
// order than the lines (line in, CD, microphone).
struct MultiplexerCard {
  FakeMixer& mixer;
  uint32_t volume, on_off, mute, mux;
  uint32_t source_volume[3], source_mute[3];
  explicit MultiplexerCard(FakeMixer& m) : mixer(m) {
    uint32_t speakers = mixer.add_destination(kMixerSpeakersDestination, "Volume Control");
    mixer.add_source(speakers, kMixerWaveOutSource, "Wave");
    uint32_t record = mixer.add_destination(kMixerWaveInDestination, "Recording Control");
    uint32_t cd = mixer.add_source(record, kMixerCdSource, "CD Audio");
    uint32_t mic = mixer.add_source(record, kMixerMicrophoneSource, "Microphone");
    uint32_t line = mixer.add_source(record, kMixerLineInSource, "Line In");
    uint32_t lines[3] = {cd, mic, line};
    uint32_t destination_id = 0xFFFF0000u + record;
    volume = mixer.add_control(destination_id, kMixerVolumeControl, {1000});
    on_off = mixer.add_control(destination_id, kMixerOnOffControl, {0});
    mute = mixer.add_control(destination_id, kMixerMuteControl, {1});
    mux = mixer.add_control(destination_id, kMixerMultiplexerControl, {1, 0, 0}, {line, cd, mic});
    for (int i = 0; i < 3; ++i) {
      source_volume[i] = mixer.add_control(lines[i], kMixerVolumeControl, {30000});
      source_mute[i] = mixer.add_control(lines[i], kMixerMuteControl, {0});
    }
  }
  uint32_t value(uint32_t control) { return mixer.values(control)[0]; }
};

TEST(InputMixer, VolumeMapping) {
  EXPECT_EQ(0, mixer_volume(-36));
  EXPECT_EQ(0, mixer_volume(-128));
  EXPECT_EQ(1424, mixer_volume(-35));
  EXPECT_EQ(51264, mixer_volume(0));
  EXPECT_EQ(65504, mixer_volume(10));
  EXPECT_EQ(65535, mixer_volume(11));
  EXPECT_EQ(65535, mixer_volume(12));
  EXPECT_EQ(65535, mixer_volume(127));
}

TEST(InputMixer, SecondSourceAtStepZeroOnAMultiplexerCard) {
  FakeMixers mixers;
  MultiplexerCard card(mixers.mixers[0]);
  EXPECT_EQ(3, input_source_count(mixers, 0));
  EXPECT_EQ("Microphone", input_source_name(mixers, 0, 1));
  EXPECT_EQ("Line In", input_source_name(mixers, 0, 2));
  EXPECT_EQ("", input_source_name(mixers, 0, 3));
  EXPECT_EQ("Mixeur d’Enregistrement Windows", input_source_name(mixers, 0, -1));

  apply_input_mixer(mixers, 0, 1, 0);
  EXPECT_EQ(51264u, card.value(card.volume));
  EXPECT_EQ(1u, card.value(card.on_off));
  EXPECT_EQ(0u, card.value(card.mute));
  // The microphone is the multiplexer's third item, found by its line id.
  EXPECT_EQ((std::vector<uint32_t>{0, 0, 1}), mixers.mixers[0].values(card.mux));
  EXPECT_EQ(0u, card.value(card.source_volume[0]));
  EXPECT_EQ(1u, card.value(card.source_mute[0]));
  EXPECT_EQ(51264u, card.value(card.source_volume[1]));
  EXPECT_EQ(0u, card.value(card.source_mute[1]));
  EXPECT_EQ(0u, card.value(card.source_volume[2]));
  EXPECT_EQ(1u, card.value(card.source_mute[2]));

  // The slider's ends.
  apply_input_mixer(mixers, 0, 2, -36);
  EXPECT_EQ(0u, card.value(card.volume));
  EXPECT_EQ(0u, card.value(card.source_volume[2]));
  EXPECT_EQ(0u, card.value(card.source_mute[2]));
  EXPECT_EQ(1u, card.value(card.source_mute[1]));
  EXPECT_EQ((std::vector<uint32_t>{1, 0, 0}), mixers.mixers[0].values(card.mux));
  apply_input_mixer(mixers, 0, 0, 12);
  EXPECT_EQ(65535u, card.value(card.volume));
  EXPECT_EQ(65535u, card.value(card.source_volume[0]));
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 0}), mixers.mixers[0].values(card.mux));
}

TEST(InputMixer, WindowsMixerEntryOrNegativeDeviceChangesNothing) {
  FakeMixers mixers;
  MultiplexerCard card(mixers.mixers[0]);
  apply_input_mixer(mixers, 0, -1, 0);
  apply_input_mixer(mixers, -1, 1, 0);
  EXPECT_EQ(0, mixers.mixers[0].opens);
  // A line the device lacks would otherwise mute every real input.
  apply_input_mixer(mixers, 0, 3, 0);
  EXPECT_EQ(0, mixers.mixers[0].writes);
  EXPECT_EQ(1000u, card.value(card.volume));
  EXPECT_EQ(0, input_source_count(mixers, -1));
  EXPECT_EQ("", input_source_name(mixers, -1, 0));
}

TEST(InputMixer, MultiSelectMixerSelectsEveryItemAndMutesTheOthers) {
  FakeMixers mixers;
  FakeMixer& mixer = mixers.mixers[1];
  uint32_t record = mixer.add_destination(kMixerWaveInDestination, "Recording");
  uint32_t mic = mixer.add_source(record, kMixerMicrophoneSource, "Mic Volume");
  uint32_t line = mixer.add_source(record, kMixerLineInSource, "Line Volume");
  uint32_t select = mixer.add_control(0xFFFF0000u, kMixerMixerControl, {0, 1}, {mic, line});
  uint32_t mic_volume = mixer.add_control(mic, kMixerFaderControl, {5});
  uint32_t mic_mute = mixer.add_control(mic, kMixerMuteControl, {1});
  uint32_t line_volume = mixer.add_control(line, kMixerVolumeControl, {5});
  uint32_t line_mute = mixer.add_control(line, kMixerMuteControl, {0});

  apply_input_mixer(mixers, 1, 0, 10);
  EXPECT_EQ((std::vector<uint32_t>{1, 1}), mixer.values(select));
  EXPECT_EQ(65504u, mixer.values(mic_volume)[0]);
  EXPECT_EQ(0u, mixer.values(mic_mute)[0]);
  EXPECT_EQ(0u, mixer.values(line_volume)[0]);
  EXPECT_EQ(1u, mixer.values(line_mute)[0]);
}

TEST(InputMixer, MultiplexerWithoutMatchingLineIdsUsesTheSourceIndex) {
  FakeMixers mixers;
  FakeMixer& mixer = mixers.mixers[0];
  uint32_t record = mixer.add_destination(kMixerWaveInDestination, "Recording");
  mixer.add_source(record, kMixerMicrophoneSource, "Mic");
  mixer.add_source(record, kMixerLineInSource, "Line");
  uint32_t mux = mixer.add_control(0xFFFF0000u, kMixerMultiplexerControl, {1, 0}, {77, 78});
  apply_input_mixer(mixers, 0, 1, 0);
  EXPECT_EQ((std::vector<uint32_t>{0, 1}), mixer.values(mux));
  // A source past the item list leaves the multiplexer as it was rather than
  // switching every item off; the source itself still gets the volume.
  uint32_t cd = mixer.add_source(record, kMixerCdSource, "CD");
  uint32_t cd_volume = mixer.add_control(cd, kMixerVolumeControl, {0});
  apply_input_mixer(mixers, 0, 2, 0);
  EXPECT_EQ((std::vector<uint32_t>{0, 1}), mixer.values(mux));
  EXPECT_EQ(51264u, mixer.values(cd_volume)[0]);
}

TEST(InputMixer, DeviceWithoutMixerOffersOnlyTheWindowsMixerEntry) {
  FakeMixers mixers;
  MultiplexerCard card(mixers.mixers[0]);
  EXPECT_EQ(0, input_source_count(mixers, 3));
  EXPECT_EQ("", input_source_name(mixers, 3, 0));
  apply_input_mixer(mixers, 3, 0, 0);  // quietly nothing
  EXPECT_EQ(0, mixers.mixers[0].writes);
}

TEST(InputMixer, SettingsKeepTheSliderRangeAndKnowWhetherALineWasChosen) {
  vt_test::MapSection section;
  InputMixerSettings fresh = load_input_mixer_settings(section);
  EXPECT_EQ(0, fresh.record_device);
  EXPECT_EQ(-1, fresh.record_chan);
  EXPECT_EQ(0, fresh.record_volume);
  EXPECT_FALSE(fresh.record_chan_saved);

  section.values["RecordVolume"] = "200";  // not −56 through an 8-bit wrap
  section.values["RecordChan"] = "-1";
  InputMixerSettings loud = load_input_mixer_settings(section);
  EXPECT_EQ(12, loud.record_volume);
  EXPECT_TRUE(loud.record_chan_saved);
  section.values["RecordVolume"] = "-300";
  EXPECT_EQ(-36, load_input_mixer_settings(section).record_volume);

  InputMixerSettings chosen;
  chosen.record_device = 2;
  chosen.record_chan = 1;
  chosen.record_volume = -7;
  save_input_mixer_settings(section, chosen);
  EXPECT_EQ("2", section.values["RecordDevice"]);
  EXPECT_EQ("1", section.values["RecordChan"]);
  EXPECT_EQ("-7", section.values["RecordVolume"]);
}

TEST(InputMixer, MicrophonePreselection) {
  EXPECT_EQ(2, microphone_entry({"CD Audio", "MICROPHONE", "Mic 2"}));
  EXPECT_EQ(1, microphone_entry({"Front Mic", "Line"}));
  EXPECT_EQ(0, microphone_entry({"Line In", "CD"}));
  EXPECT_EQ(0, microphone_entry({}));
}

}  // namespace

namespace {

using namespace vt;

// Playback on the same kind of card: the speakers destination and its wave-out line.
TEST(OutputMixer, SpeakersAtTheStepAndWaveOutAtTheSumUnmutedAndSwitchedOn) {
  FakeMixer mixer;
  uint32_t speakers = mixer.add_destination(kMixerSpeakersDestination, "Volume Control");
  uint32_t wave = mixer.add_source(speakers, kMixerWaveOutSource, "Wave");
  uint32_t speakers_id = 0xFFFF0000u + speakers;
  uint32_t speakers_volume = mixer.add_control(speakers_id, kMixerVolumeControl, {1000});
  uint32_t speakers_mute = mixer.add_control(speakers_id, kMixerMuteControl, {1});
  uint32_t speakers_switch = mixer.add_control(speakers_id, kMixerOnOffControl, {0});
  uint32_t wave_volume = mixer.add_control(wave, kMixerFaderControl, {1000});
  uint32_t wave_mute = mixer.add_control(wave, kMixerMuteControl, {1});
  uint32_t wave_switch = mixer.add_control(wave, kMixerOnOffControl, {0});
  FakeMixer::Device device(mixer);
  apply_output_mixer(device, -2, 5);
  EXPECT_EQ(48416u, mixer.values(speakers_volume)[0]);
  EXPECT_EQ(0u, mixer.values(speakers_mute)[0]);
  EXPECT_EQ(0u, mixer.values(speakers_switch)[0]);  // only the wave-out line is switched on
  EXPECT_EQ(55536u, mixer.values(wave_volume)[0]);
  EXPECT_EQ(0u, mixer.values(wave_mute)[0]);
  EXPECT_EQ(1u, mixer.values(wave_switch)[0]);

  // Without a speakers destination nothing is touched.
  FakeMixer bare;
  uint32_t record = bare.add_destination(kMixerWaveInDestination, "Recording Control");
  bare.add_control(0xFFFF0000u + record, kMixerVolumeControl, {1000});
  FakeMixer::Device bare_device(bare);
  apply_output_mixer(bare_device, 0, 0);
  EXPECT_EQ(0, bare.writes);
}

}  // namespace
