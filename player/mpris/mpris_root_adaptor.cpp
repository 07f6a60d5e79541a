#include "mpris/mpris_root_adaptor.h"

#include "mpris/mpris_service.h"

MprisRootAdaptor::MprisRootAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service), m_service(service) {}

QString MprisRootAdaptor::identity() const {
    return QStringLiteral("Lyravox");
}

QString MprisRootAdaptor::desktopEntry() const {
    // The desktop entry's id without ".desktop".
    return QStringLiteral("lyravox");
}

QStringList MprisRootAdaptor::supportedUriSchemes() const {
    return m_service->uriSchemes();
}

QStringList MprisRootAdaptor::supportedMimeTypes() const {
    return m_service->mimeTypes();
}

void MprisRootAdaptor::Raise() {
    m_service->raise();
}

void MprisRootAdaptor::Quit() {
    m_service->quit();
}
