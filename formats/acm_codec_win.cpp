#include "formats/acm_codec_win.h"

#include <cstring>

namespace vt {

static_assert(sizeof(WAVEFORMATEX) == sizeof(WaveFormat), "the descriptor mirrors the system's record");

WAVEFORMATEX pcm16_format(int channels, int rate) {
  WAVEFORMATEX pcm = {};
  pcm.wFormatTag = WAVE_FORMAT_PCM;
  pcm.nChannels = static_cast<WORD>(channels <= 0 ? 1 : channels);
  pcm.nSamplesPerSec = static_cast<DWORD>(rate);
  pcm.nBlockAlign = static_cast<WORD>(pcm.nChannels * 2);
  pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
  pcm.wBitsPerSample = 16;
  pcm.cbSize = 0;
  return pcm;
}

bool open_acm_conversion(HACMSTREAM* stream, const WAVEFORMATEX* from, const WAVEFORMATEX* to, DWORD flags) {
  WAVEFORMATEX* source = const_cast<WAVEFORMATEX*>(from);
  WAVEFORMATEX* target = const_cast<WAVEFORMATEX*>(to);
  if (acmStreamOpen(stream, nullptr, source, target, nullptr, 0, 0, flags) == MMSYSERR_NOERROR) return true;
  return acmStreamOpen(stream, nullptr, source, target, nullptr, 0, 0, flags | ACM_STREAMOPENF_NONREALTIME) ==
         MMSYSERR_NOERROR;
}

bool codec_format_encodable(const FormatBuffer& format) {
  if (format.format.format_tag == kFormatTagPcm) return true;
  if (format.format.extra_size > kMaxExtraBytes) return false;
  WAVEFORMATEX pcm = pcm16_format(format.format.channels, static_cast<int>(format.format.sample_rate));
  return open_acm_conversion(nullptr, &pcm, as_wfx(format), ACM_STREAMOPENF_QUERY);
}

uint32_t codec_frames_per_block(const uint8_t* format, int bytes) {
  WaveFormat f = decode_wave_format(format);
  switch (f.format_tag) {
    case WAVE_FORMAT_PCM: case WAVE_FORMAT_IEEE_FLOAT: case WAVE_FORMAT_ALAW: case WAVE_FORMAT_MULAW:
      return 1;
    case WAVE_FORMAT_ADPCM: case WAVE_FORMAT_IMA_ADPCM: case WAVE_FORMAT_GSM610:
      // The samples per block are the first codec bytes of these formats.
      return f.extra_size >= 2 && bytes >= 20 ? static_cast<uint32_t>(format[18] | format[19] << 8) : 0;
    default:
      return 0;
  }
}

namespace {

struct FoundFormat {
  FormatBuffer* format;
  bool done;
};

BOOL CALLBACK take_first_format(HACMDRIVERID, LPACMFORMATDETAILSA details, DWORD_PTR context, DWORD) {
  FoundFormat* found = reinterpret_cast<FoundFormat*>(context);
  int bytes = static_cast<int>(sizeof(WAVEFORMATEX)) + details->pwfx->cbSize;
  if (details->pwfx->cbSize > kMaxExtraBytes) return TRUE;
  std::memcpy(found->format, details->pwfx, static_cast<size_t>(bytes));
  found->done = true;
  return FALSE;
}

}  // namespace

bool suggest_codec_format(uint16_t tag, int channels, int rate, FormatBuffer& format) {
  WAVEFORMATEX pcm = pcm16_format(channels, rate);
  std::memset(&format, 0, sizeof format);
  format.format.format_tag = tag;
  if (tag == kFormatTagPcm) {
    format.format = make_pcm_format(channels, 16, rate);
    return true;
  }
  MMRESULT result = acmFormatSuggest(nullptr, &pcm, as_wfx(format), sizeof format,
                                     ACM_FORMATSUGGESTF_WFORMATTAG);
  if (result == MMSYSERR_NOERROR && format.format.extra_size <= kMaxExtraBytes) return true;
  // Codecs that do not suggest: take the first format they list for these channels and rate.
  FormatBuffer listed;
  std::memset(&listed, 0, sizeof listed);
  listed.format.format_tag = tag;
  listed.format.channels = static_cast<uint16_t>(channels);
  listed.format.sample_rate = static_cast<uint32_t>(rate);
  ACMFORMATDETAILSA details = {};
  details.cbStruct = sizeof details;
  details.dwFormatTag = tag;
  details.pwfx = as_wfx(listed);
  details.cbwfx = sizeof listed;
  FoundFormat found = {&format, false};
  acmFormatEnumA(nullptr, &details, take_first_format, reinterpret_cast<DWORD_PTR>(&found),
                 ACM_FORMATENUMF_WFORMATTAG | ACM_FORMATENUMF_NCHANNELS | ACM_FORMATENUMF_NSAMPLESPERSEC);
  return found.done;
}

}  // namespace vt
