#pragma once
// Reads a saved take back: its format, its length and the pitch of its tone.
#include <QByteArray>
#include <QFile>
#include <QtEndian>
#include <cstdint>
#include <cstring>
#include <vector>

struct TakeContents {
    bool valid = false;
    int rate = 0, channels = 0, bits = 0;
    std::vector<int16_t> left; // the first channel

    double seconds() const { return rate > 0 ? double(left.size()) / rate : 0.0; }

    // The tone's frequency from the rising zero crossings of the first channel between
    // `from` and `to` seconds; 0 when silent.
    double frequency(double from, double to) const {
        const size_t a = size_t(from * rate), b = std::min(left.size(), size_t(to * rate));
        int crossings = 0;
        size_t first = 0, last = 0;
        for (size_t k = a + 1; k < b; ++k)
            if (left[k - 1] < 0 && left[k] >= 0) {
                if (crossings == 0) first = k;
                last = k;
                ++crossings;
            }
        return crossings > 1 ? double(crossings - 1) * rate / double(last - first) : 0.0;
    }
    int peak(double from, double to) const {
        int p = 0;
        for (size_t k = size_t(from * rate); k < std::min(left.size(), size_t(to * rate)); ++k)
            p = std::max(p, std::abs(int(left[k])));
        return p;
    }

    static TakeContents read(const QString &path) {
        TakeContents t;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return t;
        const QByteArray b = f.readAll();
        if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 8) != "WAVEfmt " ||
            b.mid(36, 4) != "data")
            return t;
        unsigned char h[44];
        std::memcpy(h, b.constData(), sizeof h);
        t.channels = qFromLittleEndian<quint16>(h + 22);
        t.rate = int(qFromLittleEndian<quint32>(h + 24));
        t.bits = qFromLittleEndian<quint16>(h + 34);
        const uint32_t data = qFromLittleEndian<quint32>(h + 40);
        if (t.bits != 16 || t.channels < 1 || qint64(data) + 44 != b.size()) return t;
        const auto *s = reinterpret_cast<const int16_t *>(b.constData() + 44);
        const size_t frames = data / 2 / size_t(t.channels);
        for (size_t k = 0; k < frames; ++k)
            t.left.push_back(s[k * size_t(t.channels)]);
        t.valid = true;
        return t;
    }
};
