#include "mpris/mpris_player_adaptor.h"

#include "mpris/mpris_service.h"

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service), m_service(service) {}

QString MprisPlayerAdaptor::playbackStatus() const {
    return MprisService::statusName(m_service->state().status);
}

QVariantMap MprisPlayerAdaptor::metadata() const {
    return MprisService::metadata(m_service->track());
}

double MprisPlayerAdaptor::volume() const {
    return m_service->volume();
}

void MprisPlayerAdaptor::setVolume(double volume) {
    m_service->setVolume(volume);
}

qlonglong MprisPlayerAdaptor::position() const {
    return m_service->positionUs();
}

bool MprisPlayerAdaptor::canGoNext() const {
    return m_service->state().canGoNext;
}

bool MprisPlayerAdaptor::canGoPrevious() const {
    return m_service->state().canGoPrevious;
}

bool MprisPlayerAdaptor::canPlay() const {
    return m_service->state().canPlay;
}

bool MprisPlayerAdaptor::canPause() const {
    return m_service->state().canPause;
}

bool MprisPlayerAdaptor::canSeek() const {
    return m_service->state().canSeek;
}

void MprisPlayerAdaptor::Play() {
    m_service->play();
}

void MprisPlayerAdaptor::Pause() {
    m_service->pause();
}

void MprisPlayerAdaptor::PlayPause() {
    m_service->playPause();
}

void MprisPlayerAdaptor::Stop() {
    m_service->stop();
}

void MprisPlayerAdaptor::Next() {
    m_service->next();
}

void MprisPlayerAdaptor::Previous() {
    m_service->previous();
}

void MprisPlayerAdaptor::Seek(qlonglong Offset) {
    m_service->seek(Offset);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &TrackId, qlonglong Position) {
    m_service->setPosition(TrackId, Position);
}

void MprisPlayerAdaptor::OpenUri(const QString &Uri) {
    m_service->openUri(Uri);
}
