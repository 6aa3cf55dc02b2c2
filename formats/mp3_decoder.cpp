// The MP3 reader around the Layer III core: finding frames, probing the stream for its
// length, keeping the length estimate up to date, and seeking with pre-roll.
#include "formats/mp3_decoder.h"

#include <cstring>

namespace vt {

namespace {

constexpr int kHeaderSearchLimit = 65535;
constexpr int kMaxMismatches = 10;
constexpr int kPreRollFrames = 4;

// Frame counts and positions stay within 32 bits, saturating at the top.
int32_t clamp_length(int64_t frames) { return int32_t(frames > 0x7FFFFFFF ? 0x7FFFFFFF : frames); }

uint32_t big_endian32(const uint8_t* b) {
  return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}

}  // namespace

Mp3Reader::Mp3Reader(ByteInput* input) : AudioSource(44100, kMp3PeakBound, 1), input_(input) {
  if (!input_) {
    status = kSourceCannotOpen;
    return;
  }
  // An ID3v1 tag in the last 128 bytes is no audio. Only a tag that is there is left
  // out: counting 128 bytes of real audio out would end short files of small frames
  // before their last frames.
  int64_t size = input_->size();
  int64_t data = size > 0 ? size : 0;
  uint8_t tag[3];
  if (size >= 128 && input_->seek(size - 128) && input_->read(tag, 3) == 3 &&
      std::memcmp(tag, "TAG", 3) == 0)
    data = size - 128;
  input_->seek(0);
  data_length_ = int32_t(data > 0x7FFFFFFF ? 0x7FFFFFFF : data);
  bytes_left_ = data_length_;
  if (!probe()) {
    status = kSourceBadFormat;
    return;
  }
  channels = uint8_t(reference_.channels());
  sample_rate = reference_.sample_rate();
  if (sample_rate <= 0) {
    sample_rate = 44100;
    status = kSourceBadFormat;
    return;
  }
  samples_per_frame_ = reference_.samples_per_frame();
  if (frame_count_ > 0) {
    length_ = clamp_length(int64_t(frame_count_) * samples_per_frame_);
    // The counted frames are the audio after the information frame (and any tag before it).
    average_frame_size_ = double(data_length_ - audio_start_) / frame_count_;
  } else {
    average_frame_size_ = double(reference_.shift ? 72 : 144) * reference_.bit_rate / sample_rate;
    double frames = double(bytes_left_) / average_frame_size_ + 0.9;
    length_ = frames > 0 ? clamp_length(int64_t(frames) * samples_per_frame_) : 0;
  }
  decoder_.configure(reference_);
  frame_buffer_.assign(size_t(samples_per_frame_) * channels, 0);
  read_index_ = samples_per_frame_;
}

int Mp3Reader::read_bytes(uint8_t* buffer, int count) {
  int got = input_->read(buffer, count);
  offset_ += got;
  bytes_left_ -= got;
  return got;
}

bool Mp3Reader::skip_bytes(int count, bool counted) {
  if (count <= 0) return true;
  if (!input_->seek(offset_ + count)) return false;
  offset_ += count;
  if (counted) bytes_left_ -= count;
  return true;
}

bool Mp3Reader::find_header(mp3::FrameHeader* header) {
  uint8_t b[4];
  if (read_bytes(b, 4) != 4) return false;
  for (int steps = 0; !mp3::parse_header(b, header); ++steps) {
    if (steps >= kHeaderSearchLimit) return false;
    b[0] = b[1];
    b[1] = b[2];
    b[2] = b[3];
    if (read_bytes(b + 3, 1) != 1) return false;
  }
  if (!header->protection) {
    uint8_t crc[2];  // read past, never checked
    if (read_bytes(crc, 2) != 2) return false;
  }
  return true;
}

bool Mp3Reader::probe() {
  mp3::FrameHeader h;
  if (!find_header(&h)) return false;
  int64_t frame_start = offset_ - 4 - (h.protection ? 0 : 2);
  int side = h.side_info_size();
  uint8_t first[36];
  bool ordinary = true;
  if (read_bytes(first, side + 4) == side + 4) {
    bool zero = true;
    for (int i = 0; i < side; ++i) zero = zero && first[i] == 0;
    const uint8_t* tag = first + side;
    // "Info" is the same information frame as "Xing" in a constant-bit-rate file
    // (the encoder this program drives writes it): it is no audio either.
    if (zero && (std::memcmp(tag, "Xing", 4) == 0 || std::memcmp(tag, "Info", 4) == 0)) {
      uint8_t fields[8];
      if (read_bytes(fields, 8) == 8) {
        if (big_endian32(fields) & 1) {
          frame_count_ = int32_t(big_endian32(fields + 4) & 0x7FFFFFFF);
          ordinary = false;
        } else if (input_->seek(offset_ - 8)) {
          offset_ -= 8;
          bytes_left_ += 8;
        }
      }
    } else if (zero && std::memcmp(tag, "VBRI", 4) == 0) {
      uint8_t count[4];
      if (skip_bytes(10, false) && read_bytes(count, 4) == 4) {
        frame_count_ = int32_t(big_endian32(count) & 0x7FFFFFFF);
        ordinary = false;
      }
    }
  }
  if (!ordinary) {
    skip_bytes(int(frame_start + h.frame_size() - offset_), false);
    reference_ = h;
    audio_start_ = offset_;
    return true;
  }

  int64_t sum = 0;
  int count = 0;
  for (;;) {
    sum += h.bit_rate;
    ++count;
    reference_ = h;
    if (!skip_bytes(int(frame_start + h.frame_size() - offset_), false)) break;
    if (count == 8 || !find_header(&h)) break;
    frame_start = offset_ - 4 - (h.protection ? 0 : 2);
  }
  reference_.bit_rate = int32_t(count == 8 ? sum >> 3 : sum / count);
  if (!input_->seek(0)) return false;
  offset_ = 0;
  bytes_left_ = data_length_;
  return true;
}

bool Mp3Reader::decode_next_frame(int32_t* out) {
  int mismatches = 0;
  for (;;) {
    mp3::FrameHeader h;
    if (!find_header(&h)) return false;
    if (!h.compatible(reference_)) {
      if (++mismatches > kMaxMismatches) return false;
      continue;
    }
    int side = h.side_info_size();
    int main = h.main_data_size();
    if (main < 0 || main > int(sizeof(main_data_))) continue;
    if (read_bytes(side_info_, side) != side) return false;
    if (read_bytes(main_data_, main) != main) return false;
    if (decoder_.decode(h, side_info_, main_data_, main, out)) return true;
    // The reservoir could not supply this frame's back data: try the next one.
  }
}

void Mp3Reader::refine_length() {
  if (frame_count_ > 0) return;
  double rest = double(bytes_left_) / average_frame_size_ + 0.9;
  int64_t frames = int64_t(frames_decoded_) + (rest > 0 ? int64_t(rest) : 0);
  length_ = clamp_length(frames * samples_per_frame_);
}

void Mp3Reader::read(int32_t* buffer, int frames) {
  if (frames <= 0) return;
  int ch = channels;
  if (status != kSourceOk || position_ > length_) {
    std::memset(buffer, 0, sizeof(int32_t) * size_t(frames) * ch);
    if (status == kSourceOk) position_ = clamp_length(int64_t(position_) + frames);
    return;
  }
  int32_t start = position_;
  position_ = clamp_length(int64_t(position_) + frames);
  int done = 0;
  while (done < frames) {
    if (read_index_ >= samples_per_frame_) {
      bool direct = frames - done >= samples_per_frame_;
      int32_t* target = direct ? buffer + size_t(done) * ch : frame_buffer_.data();
      if (ended_ || !decode_next_frame(target)) {
        ended_ = true;
        int32_t delivered = clamp_length(int64_t(start) + done);
        if (delivered < length_) length_ = delivered;
        std::memset(buffer + size_t(done) * ch, 0, sizeof(int32_t) * size_t(frames - done) * ch);
        return;
      }
      ++frames_decoded_;
      refine_length();
      if (direct) {
        done += samples_per_frame_;
        continue;
      }
      read_index_ = 0;
    }
    int n = samples_per_frame_ - read_index_;
    if (n > frames - done) n = frames - done;
    std::memcpy(buffer + size_t(done) * ch, frame_buffer_.data() + size_t(read_index_) * ch,
                sizeof(int32_t) * size_t(n) * ch);
    read_index_ += n;
    done += n;
  }
}

void Mp3Reader::seek(int32_t frame) {
  position_ = frame;
  if (status != kSourceOk) return;
  int32_t a = frame < 0 ? 0 : frame > length_ ? length_ : frame;
  int32_t target = a / samples_per_frame_;
  int32_t offset_in_frame = a % samples_per_frame_;
  int32_t pre_roll = target < kPreRollFrames ? target : kPreRollFrames;
  int32_t first = target - pre_roll;
  // Frames are counted from the first audio frame, so a VBR information frame
  // never comes back as audio.
  // Frame sizes vary by a padding byte, so the estimate can land just past the frame's
  // start, and the search would then take the next one: aim half a frame early.
  double estimate = first * average_frame_size_ - average_frame_size_ / 2;
  int64_t byte = audio_start_ + (estimate > 0 ? int64_t(estimate) : 0);
  if (input_->seek(byte)) offset_ = byte;
  bytes_left_ = int32_t(data_length_ - offset_);
  decoder_.reset_filter_state();
  ended_ = false;
  for (int i = 0; i < pre_roll; ++i)
    if (!decode_next_frame(frame_buffer_.data())) break;
  if (decode_next_frame(frame_buffer_.data())) {
    read_index_ = offset_in_frame;
  } else {
    read_index_ = samples_per_frame_;
  }
  frames_decoded_ = target + 1;
  refine_length();
}

SourceRef open_mp3(const char* path) { return SourceRef(new Mp3Reader(open_file_input(path))); }

SourceRef open_mp3_memory(const uint8_t* data, size_t size) {
  return SourceRef(new Mp3Reader(new_memory_input(data, size)));
}

}  // namespace vt
