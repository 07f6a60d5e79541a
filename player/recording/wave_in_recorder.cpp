#include "recording/wave_in_recorder.h"

#include <QMetaObject>
#include <algorithm>
#include <cstring>

namespace {
constexpr uint64_t kServerNorm = 65536; // PA_VOLUME_NORM
}

WaveInRecorder::WaveInRecorder(AudioInput *input, QObject *parent)
    : QObject(parent), m_input(input) {}

WaveInRecorder::~WaveInRecorder() {
    if (IsRecording()) StopRecord();
}

QList<AudioSourceInfo> WaveInRecorder::list() const {
    return m_input ? m_input->sources() : QList<AudioSourceInfo>();
}

int WaveInRecorder::DeviceCount() const {
    return int(list().size());
}

QString WaveInRecorder::DeviceName(int device) const {
    const QList<AudioSourceInfo> sources = list();
    if (device < 0 || device >= sources.size()) return QString();
    return sources.at(device).description;
}

QString WaveInRecorder::DeviceSourceName(int device) const {
    const QList<AudioSourceInfo> sources = list();
    if (device < 0 || device >= sources.size()) return QString();
    return sources.at(device).name;
}

bool WaveInRecorder::SelectDevice(int device) {
    const QList<AudioSourceInfo> sources = list();
    if (device < 0 || device >= sources.size()) return false;
    m_selected = -1;
    AudioSourceInfo fresh;
    if (!m_input->source(sources.at(device).index, fresh)) return false;
    m_source = fresh;
    m_selected = device;
    return true;
}

int WaveInRecorder::DefaultDevice() const {
    if (!m_input) return -1;
    const QString name = m_input->defaultSourceName();
    const QList<AudioSourceInfo> sources = list();
    for (int k = 0; k < sources.size(); ++k)
        if (sources.at(k).name == name) return k;
    return -1;
}

bool WaveInRecorder::refresh() const {
    if (m_selected < 0 || !m_input) return false;
    AudioSourceInfo fresh;
    if (!m_input->source(m_source.index, fresh)) return false;
    m_source = fresh;
    return true;
}

int WaveInRecorder::MixerLineCount() const {
    if (!refresh()) return 0;
    return m_source.portNames.isEmpty() ? 1 : int(m_source.portNames.size());
}

QString WaveInRecorder::MixerLineName(int line) const {
    if (!refresh() || line < 0) return QString();
    if (m_source.portNames.isEmpty()) return line == 0 ? m_source.description : QString();
    return line < m_source.portDescriptions.size() ? m_source.portDescriptions.at(line) : QString();
}

bool WaveInRecorder::SelectMixerLine(int line) {
    if (!refresh() || line < 0) return false;
    if (m_source.portNames.isEmpty()) return line == 0;
    if (line >= m_source.portNames.size()) return false;
    return m_input->setActivePort(m_source.index, m_source.portNames.at(line));
}

int WaveInRecorder::SelectedMixerLine() const {
    if (!refresh()) return 0;
    return std::max(0, int(m_source.portNames.indexOf(m_source.activePort)));
}

int WaveInRecorder::MixerLineType(int line) const {
    if (line == -1) line = SelectedMixerLine();
    if (line < 0 || line >= MixerLineCount()) return LineUnknown;
    return m_source.monitor ? LineMonitor : LineInput;
}

int WaveInRecorder::toLineVolume(const QList<uint32_t> &channelVolumes) {
    if (channelVolumes.isEmpty()) return 0;
    uint64_t sum = 0;
    for (uint32_t v : channelVolumes)
        sum += v;
    const uint64_t average = sum / uint64_t(channelVolumes.size());
    return int(
        std::min<uint64_t>(kMaxVolume, (average * kMaxVolume + kServerNorm / 2) / kServerNorm));
}

uint32_t WaveInRecorder::toServerVolume(int lineVolume) {
    const uint64_t v = uint64_t(std::clamp(lineVolume, 0, int(kMaxVolume)));
    return uint32_t((v * kServerNorm + kMaxVolume / 2) / kMaxVolume);
}

int WaveInRecorder::MixerLineVolume() const {
    if (!refresh()) return 0;
    return toLineVolume(m_source.channelVolumes);
}

bool WaveInRecorder::setMixerLineVolume(int volume) {
    if (!refresh()) return false;
    const int channels = std::max(1, int(m_source.channelVolumes.size()));
    return m_input->setVolume(m_source.index, channels, toServerVolume(volume));
}

bool WaveInRecorder::StartRecord(int sampleRate, int channels) {
    if (IsRecording()) StopRecord();
    if (m_selected < 0 || !m_input || m_bufferSize < 2 || sampleRate <= 0 || channels < 1 ||
        channels > 2)
        return false;
    m_capture = m_input->createCapture();
    if (!m_capture) return false;
    const quint64 generation = ++m_generation;
    const int bufferBytes = m_bufferSize & ~1;
    m_filling = QVector<int16_t>(bufferBytes / 2);
    m_filled = 0;
    // Capture thread: fill buffers and post each full one.
    auto onData = [this, generation, bufferBytes](const char *data, size_t bytes) {
        while (bytes > 0) {
            const size_t n = std::min(bytes, size_t(bufferBytes - m_filled));
            std::memcpy(reinterpret_cast<char *>(m_filling.data()) + m_filled, data, n);
            m_filled += int(n);
            data += n;
            bytes -= n;
            if (m_filled == bufferBytes) {
                QVector<int16_t> full(bufferBytes / 2);
                full.swap(m_filling);
                m_filled = 0;
                QMetaObject::invokeMethod(
                    this,
                    [this, full = std::move(full), bufferBytes, generation]() mutable {
                        deliver(std::move(full), bufferBytes, generation);
                    },
                    Qt::QueuedConnection);
            }
        }
    };
    const AudioFormat format{sampleRate, channels, 16};
    if (!m_capture->start(m_source.name, format, onData, nullptr)) {
        m_capture.reset();
        return false;
    }
    return true;
}

bool WaveInRecorder::StopRecord() {
    if (m_capture) {
        m_capture->stop();
        m_capture.reset();
        // The partly filled last buffer.
        if (m_filled > 0) {
            QVector<int16_t> last;
            last.swap(m_filling);
            const int bytes = m_filled;
            m_filled = 0;
            const quint64 generation = m_generation;
            QMetaObject::invokeMethod(
                this,
                [this, last = std::move(last), bytes, generation]() mutable {
                    deliver(std::move(last), bytes, generation);
                },
                Qt::QueuedConnection);
        }
    }
    return true;
}

bool WaveInRecorder::IsRecording() const {
    return m_capture && m_capture->running();
}

void WaveInRecorder::deliver(QVector<int16_t> samples, int bytes, quint64 generation) {
    if (generation != m_generation) return; // a later capture replaced this one
    Q_EMIT GotData(samples, bytes);
}
