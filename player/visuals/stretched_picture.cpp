#include "visuals/stretched_picture.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <vector>
#include <xcb/render.h>
#include <xcb/xcb.h>
#include <xcb/xcb_renderutil.h>

namespace {

xcb_connection_t *x11Connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// 16.16 fixed point, as RENDER's transforms take it.
xcb_render_fixed_t fixed(double value) {
    return xcb_render_fixed_t(value * 65536.0 + (value < 0 ? -0.5 : 0.5));
}

bool succeeded(xcb_connection_t *c, xcb_void_cookie_t cookie) {
    xcb_generic_error_t *error = xcb_request_check(c, cookie);
    free(error);
    return error == nullptr;
}

} // namespace

// The server side of the enlargement: a pixmap of the picture's size with a picture on it that
// carries the scale transform, and a picture on the widget's own window.
struct StretchedPicture::Server {
    xcb_connection_t *c = nullptr;
    xcb_window_t window = 0;
    xcb_pixmap_t pixmap = 0;
    xcb_gcontext_t gc = 0;
    xcb_render_picture_t source = 0, target = 0;
    xcb_render_pictformat_t windowFormat = 0, sourceFormat = 0;
    QSize sourceSize, targetSize;
    std::vector<uint32_t> pixels; // the frame in the server's 32-bit layout

    ~Server() {
        if (!c) return;
        dropSource();
        if (target) xcb_render_free_picture(c, target);
        xcb_flush(c);
    }
    void dropSource() {
        if (source) xcb_render_free_picture(c, source);
        if (gc) xcb_free_gc(c, gc);
        if (pixmap) xcb_free_pixmap(c, pixmap);
        source = gc = pixmap = 0;
        sourceSize = QSize();
        targetSize = QSize();
    }

    bool start(xcb_window_t win) {
        window = win;
        const xcb_query_extension_reply_t *render = xcb_get_extension_data(c, &xcb_render_id);
        if (!render || !render->present) return false;
        // Transforms and filters came with version 0.6.
        auto *version = xcb_render_query_version_reply(
            c, xcb_render_query_version(c, XCB_RENDER_MAJOR_VERSION, XCB_RENDER_MINOR_VERSION),
            nullptr);
        const bool recent = version && (version->major_version > 0 || version->minor_version >= 6);
        free(version);
        if (!recent) return false;
        const xcb_setup_t *setup = xcb_get_setup(c);
        if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
        bool depth24As32 = false;
        for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
            depth24As32 |= it.data->depth == 24 && it.data->bits_per_pixel == 32;
        if (!depth24As32) return false;

        auto *attributes =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
        if (!attributes) return false;
        const xcb_visualid_t visual = attributes->visual;
        free(attributes);
        const xcb_render_query_pict_formats_reply_t *formats = xcb_render_util_query_formats(c);
        if (!formats) return false;
        const xcb_render_pictvisual_t *forVisual =
            xcb_render_util_find_visual_format(formats, visual);
        const xcb_render_pictforminfo_t *rgb24 =
            xcb_render_util_find_standard_format(formats, XCB_PICT_STANDARD_RGB_24);
        if (!forVisual || !rgb24) return false;
        windowFormat = forVisual->format;
        sourceFormat = rgb24->id;
        target = xcb_generate_id(c);
        return succeeded(
            c, xcb_render_create_picture_checked(c, target, window, windowFormat, 0, nullptr));
    }

    bool prepare(QSize from, QSize to) {
        if (from != sourceSize) {
            dropSource();
            pixmap = xcb_generate_id(c);
            gc = xcb_generate_id(c);
            source = xcb_generate_id(c);
            xcb_create_pixmap(c, 24, pixmap, window, uint16_t(from.width()),
                              uint16_t(from.height()));
            xcb_create_gc(c, gc, pixmap, 0, nullptr);
            xcb_render_create_picture(c, source, pixmap, sourceFormat, 0, nullptr);
            static const char kNearest[] = "nearest";
            if (!succeeded(c, xcb_render_set_picture_filter_checked(c, source, sizeof kNearest - 1,
                                                                    kNearest, 0, nullptr)))
                return false;
            sourceSize = from;
            pixels.resize(size_t(from.width()) * size_t(from.height()));
        }
        if (to != targetSize) {
            // Maps each point of the window to the point of the picture it shows.
            const xcb_render_transform_t scale = {fixed(double(from.width()) / to.width()),
                                                  0,
                                                  0,
                                                  0,
                                                  fixed(double(from.height()) / to.height()),
                                                  0,
                                                  0,
                                                  0,
                                                  fixed(1)};
            xcb_render_set_picture_transform(c, source, scale);
            targetSize = to;
        }
        return true;
    }

    void clear(QSize to) {
        const xcb_render_color_t black = {0, 0, 0, 0xffff};
        const xcb_rectangle_t all = {0, 0, uint16_t(to.width()), uint16_t(to.height())};
        xcb_render_fill_rectangles(c, XCB_RENDER_PICT_OP_SRC, target, black, 1, &all);
        xcb_flush(c);
    }

    void show(const QImage &image, QSize to) {
        const int w = image.width(), h = image.height();
        for (int y = 0; y < h; ++y)
            PictureScaler::readRow(image, y, pixels.data() + size_t(y) * size_t(w));
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, uint16_t(w), uint16_t(h), 0, 0, 0,
                      24, uint32_t(pixels.size() * 4),
                      reinterpret_cast<const uint8_t *>(pixels.data()));
        xcb_render_composite(c, XCB_RENDER_PICT_OP_SRC, source, XCB_RENDER_PICTURE_NONE, target, 0,
                             0, 0, 0, 0, 0, uint16_t(to.width()), uint16_t(to.height()));
        xcb_flush(c);
    }
};

StretchedPicture::StretchedPicture(std::function<const QImage *()> picture, QWidget *parent)
    : QWidget(parent), m_picture(std::move(picture)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (x11Connection()) {
        // Painted by the server into a window of its own; nothing of it is in the backing store.
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_PaintOnScreen);
        setAttribute(Qt::WA_NoSystemBackground);
    }
}

StretchedPicture::~StretchedPicture() = default;

bool StretchedPicture::serverScaled() const {
    return m_server != nullptr;
}

QPaintEngine *StretchedPicture::paintEngine() const {
    // Painting on screen is the server's; otherwise the backing store's engine paints.
    return nullptr;
}

bool StretchedPicture::event(QEvent *event) {
    // The window is new after a re-parenting or a platform window change: start again.
    if (event->type() == QEvent::WinIdChange) {
        m_server.reset();
        m_serverTried = false;
    }
    return QWidget::event(event);
}

void StretchedPicture::paintEvent(QPaintEvent *) {
    if (testAttribute(Qt::WA_PaintOnScreen) && paintOnServer()) return;
    paintHere();
}

bool StretchedPicture::paintOnServer() {
    if (!m_serverTried) {
        m_serverTried = true;
        auto server = std::make_unique<Server>();
        server->c = x11Connection();
        if (server->c && server->start(xcb_window_t(winId()))) m_server = std::move(server);
    }
    const QImage *picture = m_picture ? m_picture() : nullptr;
    if (m_server && (!picture || picture->isNull())) {
        m_server->clear(size());
        return true;
    }
    const bool usable = picture && PictureScaler::readsRows(picture->format());
    if (m_server && usable && m_server->prepare(picture->size(), size())) {
        m_server->show(*picture, size());
        return true;
    }
    // From now on the backing store paints this widget.
    m_server.reset();
    setAttribute(Qt::WA_PaintOnScreen, false);
    update();
    return false;
}

void StretchedPicture::paintHere() {
    if (testAttribute(Qt::WA_PaintOnScreen)) return; // no engine yet; the next paint comes
    QPainter p(this);
    const QImage *picture = m_picture ? m_picture() : nullptr;
    if (picture && !picture->isNull())
        p.drawImage(0, 0, m_scaler.scale(*picture, size()));
    else
        p.fillRect(rect(), Qt::black);
}
