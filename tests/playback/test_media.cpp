#include "test_media.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <lame/lame.h>
#include <sndfile.h>
#include <vector>

namespace TestMedia {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<int16_t> tone(double seconds, int channels, int rate, double hzLeft, double hzRight,
                          long firstFrame = 0) {
    const long frames = std::lround(seconds * rate);
    std::vector<int16_t> pcm(size_t(frames) * size_t(channels));
    for (long i = 0; i < frames; ++i) {
        const double t = double(i + firstFrame) / rate;
        pcm[size_t(i) * channels] = int16_t(16383.0 * std::sin(2 * kPi * hzLeft * t));
        if (channels == 2)
            pcm[size_t(i) * 2 + 1] = int16_t(16383.0 * std::sin(2 * kPi * hzRight * t));
    }
    return pcm;
}

void put16(QByteArray &b, uint16_t v) {
    char le[2];
    qToLittleEndian(v, le);
    b.append(le, 2);
}
void put32(QByteArray &b, uint32_t v) {
    char le[4];
    qToLittleEndian(v, le);
    b.append(le, 4);
}
void chunk(QByteArray &out, const char *id, const QByteArray &body) {
    out.append(id, 4);
    put32(out, uint32_t(body.size()));
    out.append(body);
    if (body.size() % 2) out.append('\0');
}
QByteArray waveFormat(int channels, int rate) {
    QByteArray f;
    put16(f, 1);
    put16(f, uint16_t(channels));
    put32(f, uint32_t(rate));
    put32(f, uint32_t(rate * channels * 2));
    put16(f, uint16_t(channels * 2));
    put16(f, 16);
    return f;
}
bool save(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

bool writeWav(const QString &path, double seconds, int channels, int rate, double hzLeft,
              double hzRight) {
    const auto pcm = tone(seconds, channels, rate, hzLeft, hzRight);
    QByteArray body("WAVE");
    chunk(body, "fmt ", waveFormat(channels, rate));
    chunk(body, "data",
          QByteArray(reinterpret_cast<const char *>(pcm.data()), int(pcm.size() * 2)));
    QByteArray file;
    chunk(file, "RIFF", body);
    return save(path, file);
}

bool writeCentreWav(const QString &path, double seconds, double centreHz, double leftHz) {
    auto pcm = tone(seconds, 2, 44100, centreHz, centreHz);
    for (size_t i = 0; i < pcm.size() / 2; ++i) {
        const double t = double(i) / 44100;
        const double centre = 0.8 * pcm[2 * i];
        pcm[2 * i + 1] = int16_t(centre);
        pcm[2 * i] = int16_t(centre + 0.3 * 32767 * std::sin(2 * kPi * leftHz * t));
    }
    QByteArray body("WAVE");
    chunk(body, "fmt ", waveFormat(2, 44100));
    chunk(body, "data",
          QByteArray(reinterpret_cast<const char *>(pcm.data()), int(pcm.size() * 2)));
    QByteArray file;
    chunk(file, "RIFF", body);
    return save(path, file);
}

bool writeBandWav(const QString &path, double seconds) {
    const int rate = 44100;
    std::vector<int16_t> pcm(size_t(seconds * rate) * 2);
    for (size_t i = 0; i < pcm.size() / 2; ++i) {
        const double t = double(i) / rate;
        const double centre = 0.3 * std::sin(2 * kPi * 440 * t) + 0.3 * std::sin(2 * kPi * 55 * t);
        pcm[2 * i] = int16_t(32767 * (centre + 0.2 * std::sin(2 * kPi * 660 * t)));
        pcm[2 * i + 1] = int16_t(32767 * (centre + 0.2 * std::sin(2 * kPi * 880 * t)));
    }
    QByteArray body("WAVE");
    chunk(body, "fmt ", waveFormat(2, rate));
    chunk(body, "data",
          QByteArray(reinterpret_cast<const char *>(pcm.data()), int(pcm.size() * 2)));
    QByteArray file;
    chunk(file, "RIFF", body);
    return save(path, file);
}

double toneLevel(const QString &path, int channel, double hz) {
    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f) return -1;
    std::vector<float> s(size_t(info.frames * info.channels));
    sf_readf_float(f, s.data(), info.frames);
    sf_close(f);
    if (channel >= info.channels || info.frames == 0) return -1;
    double re = 0, im = 0;
    const double w = 2 * kPi * hz / info.samplerate;
    for (long long k = 0; k < info.frames; ++k) {
        re += s[size_t(k * info.channels + channel)] * std::cos(w * double(k));
        im += s[size_t(k * info.channels + channel)] * std::sin(w * double(k));
    }
    return 2 * std::hypot(re, im) / double(info.frames);
}

Measure measure(const QString &path) {
    Measure m;
    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f) return m;
    m.rate = info.samplerate;
    m.channels = info.channels;
    m.frames = info.frames;
    std::vector<short> s(size_t(info.frames * info.channels));
    sf_readf_short(f, s.data(), info.frames);
    sf_close(f);
    const int n = info.channels;
    m.channelsEqual = n == 2;
    for (long long k = 0; n == 2 && k < info.frames; ++k)
        m.channelsEqual = m.channelsEqual && s[size_t(2 * k)] == s[size_t(2 * k + 1)];
    // The strongest frequency of the first second (at most), coarse then fine.
    const long long window = std::min<long long>(info.frames, info.samplerate);
    auto power = [&](int c, double hz) {
        double re = 0, im = 0;
        const double w = 2 * kPi * hz / info.samplerate;
        for (long long k = 0; k < window; ++k) {
            re += s[size_t(k * n + c)] * std::cos(w * double(k));
            im += s[size_t(k * n + c)] * std::sin(w * double(k));
        }
        return re * re + im * im;
    };
    auto strongest = [&](int c, double from, double to, double step) {
        double best = from, bestPower = -1;
        for (double hz = from; hz <= to; hz += step)
            if (const double p = power(c, hz); p > bestPower) {
                bestPower = p;
                best = hz;
            }
        return best;
    };
    for (int c = 0; c < std::min(n, 2); ++c) {
        for (long long k = 0; k < info.frames; ++k)
            m.peak[c] = std::max(m.peak[c], std::abs(double(s[size_t(k * n + c)])) / 32768.0);
        if (m.peak[c] == 0 || window == 0) continue;
        const double coarse = strongest(c, 40, 4000, 10);
        m.hz[c] = strongest(c, coarse - 10, coarse + 10, 0.5);
    }
    return m;
}

bool writeMp3(const QString &path, double seconds, const Tags &tags, double hz) {
    lame_t lame = lame_init();
    if (!lame) return false;
    lame_set_in_samplerate(lame, 44100);
    lame_set_num_channels(lame, 2);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 7);
    // No Xing/Info frame: the stream test serves these bytes as a radio without a length.
    lame_set_bWriteVbrTag(lame, 0);
    id3tag_init(lame);
    const bool tagged = !(tags.title + tags.artist + tags.comment + tags.copyright).isEmpty();
    if (tagged) id3tag_add_v2(lame);
    const QByteArray title = tags.title.toLatin1(), artist = tags.artist.toLatin1(),
                     comment = tags.comment.toLatin1(),
                     copyright = "TCOP=" + tags.copyright.toLatin1();
    if (!title.isEmpty()) id3tag_set_title(lame, title.constData());
    if (!artist.isEmpty()) id3tag_set_artist(lame, artist.constData());
    if (!comment.isEmpty()) id3tag_set_comment(lame, comment.constData());
    if (!tags.copyright.isEmpty()) id3tag_set_fieldvalue(lame, copyright.constData());
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return false;
    }
    auto pcm = tone(seconds, 2, 44100, hz, hz);
    const int frames = int(pcm.size() / 2);
    std::vector<unsigned char> out(size_t(1.25 * frames + 7200 + 65536));
    int n = lame_encode_buffer_interleaved(lame, pcm.data(), frames, out.data(), int(out.size()));
    QByteArray bytes;
    if (n >= 0) bytes.append(reinterpret_cast<const char *>(out.data()), n);
    const int m = lame_encode_flush(lame, out.data(), int(out.size()));
    if (m >= 0) bytes.append(reinterpret_cast<const char *>(out.data()), m);
    lame_close(lame);
    return n >= 0 && m >= 0 && save(path, bytes);
}

bool writeAvi(const QString &path, double seconds, int width, int height, int fps) {
    const int rate = 44100;
    const int frames = int(std::lround(seconds * fps));
    const int frameBytes = width * height * 3;
    const int samplesPerFrame = rate / fps;

    QByteArray avih;
    put32(avih, uint32_t(1000000 / fps));
    put32(avih, uint32_t(frameBytes * fps + rate * 4));
    put32(avih, 0);
    put32(avih, 0x10); // has an index
    put32(avih, uint32_t(frames));
    put32(avih, 0);
    put32(avih, 2);
    put32(avih, uint32_t(frameBytes));
    put32(avih, uint32_t(width));
    put32(avih, uint32_t(height));
    for (int i = 0; i < 4; ++i)
        put32(avih, 0);

    QByteArray vstrh("vidsDIB ");
    for (uint32_t v : {0u, 0u, 0u, 1u, uint32_t(fps), 0u, uint32_t(frames), uint32_t(frameBytes),
                       0xFFFFFFFFu, 0u})
        put32(vstrh, v);
    for (int v : {0, 0, width, height})
        put16(vstrh, uint16_t(v));
    QByteArray vstrf;
    put32(vstrf, 40);
    put32(vstrf, uint32_t(width));
    put32(vstrf, uint32_t(height));
    put16(vstrf, 1);
    put16(vstrf, 24);
    for (uint32_t v : {0u, uint32_t(frameBytes), 0u, 0u, 0u, 0u})
        put32(vstrf, v);

    QByteArray astrh("auds");
    put32(astrh, 0);
    for (uint32_t v : {0u, 0u, 0u, 1u, uint32_t(rate), 0u, uint32_t(frames * samplesPerFrame),
                       uint32_t(samplesPerFrame * 4), 0xFFFFFFFFu, 4u})
        put32(astrh, v);
    for (int i = 0; i < 4; ++i)
        put16(astrh, 0);

    QByteArray vstrl = "strl", astrl = "strl";
    chunk(vstrl, "strh", vstrh);
    chunk(vstrl, "strf", vstrf);
    chunk(astrl, "strh", astrh);
    chunk(astrl, "strf", waveFormat(2, rate));
    QByteArray hdrl = "hdrl";
    chunk(hdrl, "avih", avih);
    chunk(hdrl, "LIST", vstrl);
    chunk(hdrl, "LIST", astrl);

    QByteArray movi = "movi", idx1;
    for (int f = 0; f < frames; ++f) {
        QByteArray picture(frameBytes, '\0');
        for (int i = 0; i < frameBytes; ++i)
            picture[i] = char((i / 3 + f * 16) & 0xFF);
        const auto pcm =
            tone(double(samplesPerFrame) / rate, 2, rate, 440.0, 440.0, long(f) * samplesPerFrame);
        const QByteArray sound(reinterpret_cast<const char *>(pcm.data()), int(pcm.size() * 2));
        for (const auto &[id, data] :
             {std::pair<const char *, const QByteArray &>{"00db", picture}, {"01wb", sound}}) {
            idx1.append(id, 4);
            put32(idx1, 0x10);
            put32(idx1, uint32_t(movi.size()));
            put32(idx1, uint32_t(data.size()));
            chunk(movi, id, data);
        }
    }
    QByteArray body = "AVI ";
    chunk(body, "LIST", hdrl);
    chunk(body, "LIST", movi);
    chunk(body, "idx1", idx1);
    QByteArray file;
    chunk(file, "RIFF", body);
    return save(path, file);
}

} // namespace TestMedia
