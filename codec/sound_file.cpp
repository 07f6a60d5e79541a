#include "sound_file.h"

namespace codec {

SoundFile openForReading(const std::string &path, SF_INFO &info, std::string &error) {
    info = SF_INFO{};
    SoundFile in(sf_open(path.c_str(), SFM_READ, &info));
    if (!in) error = "cannot read " + path + ": " + sf_strerror(nullptr);
    return in;
}

void readScaled(SNDFILE *in) {
    sf_command(in, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
    sf_command(in, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

SoundFile createWav(OutputFile &out, int format, int sampleRate, int channels, std::string &error) {
    if (!out.open(error)) return nullptr;
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | format;
    SoundFile wav(sf_open_fd(out.release(), SFM_WRITE, &info, SF_TRUE));
    if (!wav) error = std::string("cannot write a WAV file: ") + sf_strerror(nullptr);
    return wav;
}

bool closeWritten(SoundFile &wav, const std::string &path, std::string &error) {
    if (sf_close(wav.release()) == 0) return true;
    error = "cannot write " + path;
    return false;
}

} // namespace codec
