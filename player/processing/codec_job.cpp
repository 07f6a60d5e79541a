#include "processing/codec_job.h"

#include <QFile>
#include <QMetaObject>

CodecJob::CodecJob(QObject *parent) : QObject(parent) {}

CodecJob::~CodecJob() {
    m_cancel = true;
    join();
}

void CodecJob::join() {
    if (m_thread.joinable()) m_thread.join();
}

bool CodecJob::start(Kind kind, const QString &input, const QString &output,
                     const codec::EncodeOptions &options) {
    if (m_running) return false;
    join();
    m_cancel = false;
    m_running = true;
    const std::string in = QFile::encodeName(input).toStdString();
    const std::string out = QFile::encodeName(output).toStdString();
    m_thread = std::thread([this, kind, in, out, options] {
        codec::JobControl control;
        control.cancel = &m_cancel;
        control.progress = [this](int percent) {
            QMetaObject::invokeMethod(
                this, [this, percent] { Q_EMIT progress(percent); }, Qt::QueuedConnection);
        };
        codec::Result r;
        switch (kind) {
        case Kind::Decode:
            r = codec::decodeMp3(in, out, control);
            break;
        case Kind::Encode:
            r = codec::encodeMp3(in, out, options, control);
            break;
        case Kind::ToPcm16:
            r = codec::convertToPcm16(in, out, control);
            break;
        case Kind::Prepare:
            r = codec::prepareWav(in, out, control);
            break;
        case Kind::RemoveCentre:
            r = codec::removeCentre(in, out, control);
            break;
        case Kind::RemoveCentreSpectral:
            r = codec::removeCentreSpectral(in, out, control);
            break;
        }
        // Queued to this object: dropped if the job is destroyed first.
        QMetaObject::invokeMethod(
            this,
            [this, r] {
                m_running = false;
                join();
                Q_EMIT finished(r.ok, QString::fromStdString(r.error));
            },
            Qt::QueuedConnection);
    });
    return true;
}
