#include "processing/effect_host.h"

#include "lyravox/effect.h"

#include <QFile>
#include <QMetaObject>
#include <QSocketNotifier>

EffectHost::EffectHost(QObject *parent) : QObject(parent), m_fx(lvx_effect_create()) {
    lvx_effect_set_message_sink(&EffectHost::onMessage, this);
    m_notifier = new QSocketNotifier(lvx_effect_event_fd(m_fx), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &EffectHost::deliver);
}

EffectHost::~EffectHost() {
    // When this returns no message is being passed to this object any more.
    lvx_effect_set_message_sink(nullptr, nullptr);
    call(LVX_DISPID_STOP_EFFECT, nullptr, 0);
    lvx_effect_destroy(m_fx);
}

void EffectHost::onEvent(void *ctx, int event, int arg) {
    auto *self = static_cast<EffectHost *>(ctx);
    if (event == LVX_EVENT_END_OF_ACTION && arg == LVX_END_WAV_WRITTEN) self->m_written = true;
    QMetaObject::invokeMethod(
        self,
        [self, event, arg] {
            if (event == LVX_EVENT_END_OF_ACTION)
                Q_EMIT self->endOfAction(arg);
            else
                Q_EMIT self->actionPosition(arg);
        },
        Qt::QueuedConnection);
}

void EffectHost::onMessage(void *ctx, const char *text) {
    auto *self = static_cast<EffectHost *>(ctx);
    const QString message = QString::fromUtf8(text);
    QMetaObject::invokeMethod(
        self, [self, message] { Q_EMIT self->message(message); }, Qt::QueuedConnection);
}

void EffectHost::deliver() {
    lvx_effect_deliver_events(m_fx, &EffectHost::onEvent, this);
}

int EffectHost::call(int dispid, const void *args, int count) {
    lvx_variant result{};
    if (lvx_effect_invoke(m_fx, dispid, LVX_METHOD, static_cast<const lvx_variant *>(args), count,
                          &result) != 0)
        return -1;
    // Events fired during the call wait for the queue like the others.
    deliver();
    return result.vt == LVX_I2 ? result.v.i2 : result.vt == LVX_I4 ? result.v.i4 : 0;
}

int EffectHost::inputFileOpen(const QString &path) {
    const QByteArray name = QFile::encodeName(path);
    lvx_variant arg{};
    arg.vt = LVX_STR;
    arg.v.str = name.constData();
    return call(LVX_DISPID_INPUT_FILE_OPEN, &arg, 1);
}

int EffectHost::shifting(int mode, int size) {
    lvx_variant args[2]{};
    args[0].vt = LVX_I2;
    args[0].v.i2 = int16_t(mode);
    args[1].vt = LVX_I4;
    args[1].v.i4 = size;
    return call(LVX_DISPID_SHIFTING, args, 2);
}

int EffectHost::eq(const std::array<int, 9> &gains, int filterDry) {
    lvx_variant args[10]{};
    for (size_t k = 0; k < 10; ++k) {
        args[k].vt = LVX_I2;
        args[k].v.i2 = int16_t(k < 9 ? gains[k] : filterDry);
    }
    return call(LVX_DISPID_EQ, args, 10);
}

bool EffectHost::inputFileSave(const QString &path, int *code) {
    const QByteArray name = QFile::encodeName(path);
    lvx_variant arg{};
    arg.vt = LVX_STR;
    arg.v.str = name.constData();
    // The writer posts "written" before the call returns; call() delivers it.
    m_written = false;
    const int result = call(LVX_DISPID_INPUT_FILE_SAVE, &arg, 1);
    if (code) *code = result;
    return result == 0 && m_written;
}

void EffectHost::stopEffect() {
    call(LVX_DISPID_STOP_EFFECT, nullptr, 0);
}

bool EffectHost::soundLoaded() const {
    return lvx_effect_get_format(m_fx, nullptr, nullptr, nullptr, nullptr) == 1;
}
