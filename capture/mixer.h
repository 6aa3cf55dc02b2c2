// The system mixer as the volume logic sees it: a mixer belongs to a wave device and
// has destination lines, each with source lines; every line has controls whose
// values are set one uniform value for all channels, or one value per item for list
// controls. The Windows side (mixer_win.h) implements it over the multimedia mixer;
// tests use a mixer of their own.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vt {

struct MixerLine {
  uint32_t line_id = 0;
  uint32_t destination = 0;     // index of the destination the line belongs to
  uint32_t component_type = 0;  // kMixer...Destination / kMixer...Source
  uint32_t source_count = 0;    // lines connected to a destination
  std::string name;
};

struct MixerControl {
  uint32_t control_id = 0;
  uint32_t type = 0;        // kMixer...Control
  uint32_t item_count = 0;  // items of a list control (multiplexer, mixer)
};

// One opened mixer; closed when the object goes.
class MixerDevice {
 public:
  virtual ~MixerDevice() {}
  // The first line of this component type (a destination or a source).
  virtual bool find_line(uint32_t component_type, MixerLine* line) = 0;
  // Source `index` of `destination`.
  virtual bool source_line(const MixerLine& destination, uint32_t index, MixerLine* line) = 0;
  virtual bool line_controls(const MixerLine& line, std::vector<MixerControl>* controls) = 0;
  // The first parameter of every item of a list control: the line id of the source
  // the item stands for.
  virtual bool list_item_lines(const MixerControl& control, std::vector<uint32_t>* line_ids) = 0;
  virtual bool set_uniform_value(const MixerControl& control, uint32_t value) = 0;
  // One value per item of a list control (1 selected, 0 not).
  virtual bool set_item_values(const MixerControl& control, const std::vector<uint32_t>& values) = 0;
};

// The system's mixers, reached through the wave device they belong to.
class MixerSystem {
 public:
  virtual ~MixerSystem() {}
  // Null when the device is negative, has no mixer or the mixer cannot be opened.
  virtual std::unique_ptr<MixerDevice> open_for_wave_in(int device) = 0;
  virtual std::unique_ptr<MixerDevice> open_for_wave_out(int device) = 0;
};

// The volume mapping of a decibel step (the slider's −36…+12) to the mixer's
// 0…65,535: below −35 silent, 51,264 at 0, 1,424 per step, and full from +11 up.
uint16_t mixer_volume(int step);

}  // namespace vt
