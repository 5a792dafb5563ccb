// Status windows as Qt widgets: the platform's status model stays the truth,
// and each change to an open window is shown in its widget. The window never
// takes the focus from what the person is working in, and it is repainted
// while the caller keeps the thread busy with the work it reports on.
#include "qt_internal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <map>

namespace plat_qt {
namespace detail {

namespace {

// Pixel positions of bars are those of the classic dialog font; they scale
// with the font actually used so that they keep their place between labels.
constexpr int classic_base_x = 6, classic_base_y = 13;

QImage bitmap_image(const plat::Status_Bitmap& bitmap) {
    QImage image(bitmap.width, bitmap.height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < bitmap.height && y < static_cast<int>(bitmap.rows.size()); ++y) {
        const std::string_view row = bitmap.rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < bitmap.width && x < static_cast<int>(row.size()); ++x)
            for (const auto& c : bitmap.colors)
                if (c.key == row[static_cast<std::size_t>(x)])
                    image.setPixelColor(x, y, to_qcolor(c.color));
    }
    return image;
}

// The picture scaled by a whole factor into `size`, keeping its shape and its
// hard pixel edges, centred.
QPixmap fitted(const QImage& image, QSize size) {
    QPixmap out(size);
    out.fill(Qt::transparent);
    if (image.isNull() || size.isEmpty())
        return out;
    const int factor =
        std::max(1, std::min(size.width() / image.width(), size.height() / image.height()));
    const QImage scaled =
        image.scaled(image.size() * factor, Qt::KeepAspectRatio, Qt::FastTransformation);
    QPainter painter(&out);
    painter.drawImage((size.width() - scaled.width()) / 2, (size.height() - scaled.height()) / 2,
                      scaled);
    return out;
}

} // namespace

class Qt_Status : public plat::Status_Model {
public:
    ~Qt_Status() override {
        for (auto& [handle, shown] : m_shown)
            delete shown.widget.data();
    }

protected:
    void changed(const plat::Status_Window_State& window, bool closing) override {
        // Widgets belong to the thread of the application object.
        if (!QCoreApplication::instance() ||
            QThread::currentThread() != QCoreApplication::instance()->thread())
            return;
        Shown* shown = closing ? find(window.handle) : show(window);
        if (!shown)
            return;
        if (closing) {
            delete shown->widget.data();
            m_shown.erase(window.handle);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return;
        }
        update(*shown, window);
        // The caller is busy with the work: let the window paint now and then.
        if (!m_painted.isValid() || m_painted.elapsed() >= 40) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            m_painted.start();
        }
    }

private:
    struct Shown {
        QPointer<QWidget> widget;
        std::map<int, QLabel*> labels;
        std::vector<QProgressBar*> bars;
        double scale_x = 1, scale_y = 1;
    };

    Shown* find(plat::Status_Window handle) {
        auto it = m_shown.find(handle);
        return it == m_shown.end() || !it->second.widget ? nullptr : &it->second;
    }

    Shown* show(const plat::Status_Window_State& window) {
        if (Shown* shown = find(window.handle))
            return shown;
        if (!window.source)
            return nullptr;
        const plat::Status_Template& tmpl = *window.source;
        const QFont font = template_font(tmpl.font, tmpl.font_size);
        const auto [bx, by] = base_units(font);

        Shown shown;
        auto* w = new QWidget(widget_for(window.owner), Qt::Dialog | Qt::CustomizeWindowHint |
                                                            Qt::WindowTitleHint |
                                                            Qt::WindowDoesNotAcceptFocus);
        w->setAttribute(Qt::WA_ShowWithoutActivating);
        w->setFocusPolicy(Qt::NoFocus);
        w->setObjectName(QStringLiteral("status_%1").arg(tmpl.id));
        w->setFont(font);
        w->setFixedSize(tmpl.width * bx / 4, tmpl.height * by / 8);
        shown.scale_x = static_cast<double>(bx) / classic_base_x;
        shown.scale_y = static_cast<double>(by) / classic_base_y;
        for (const auto& l : tmpl.labels) {
            auto* label = new QLabel(w);
            label->setObjectName(QStringLiteral("label_%1").arg(l.id));
            label->setGeometry(l.x * bx / 4, l.y * by / 8, l.width * bx / 4, l.height * by / 8);
            label->setProperty("template_width", label->width());
            shown.labels[l.id] = label;
        }
        for (const auto& p : tmpl.pictures) {
            auto* picture = new QLabel(w);
            picture->setObjectName(QStringLiteral("picture_%1").arg(p.bitmap));
            picture->setGeometry(p.x * bx / 4, p.y * by / 8, p.width * bx / 4, p.height * by / 8);
            if (p.image)
                picture->setPixmap(fitted(bitmap_image(*p.image), picture->size()));
        }
        shown.widget = w;
        auto& kept = m_shown[window.handle] = std::move(shown);
        update(kept, window);
        w->show();
        return &kept;
    }

    void update(Shown& shown, const plat::Status_Window_State& window) {
        QWidget* w = shown.widget;
        if (w->windowTitle() != qs(window.title))
            w->setWindowTitle(qs(window.title));
        for (const auto& [id, text] : window.labels)
            if (auto it = shown.labels.find(id); it != shown.labels.end())
                if (QLabel* label = it->second; label->text() != qs(text)) {
                    label->setText(qs(text));
                    // A text wider than its template's label grows to the
                    // right rather than being cut: labels are set while the
                    // window shows, and a substitute face runs wider.
                    const int wanted = label->fontMetrics().horizontalAdvance(label->text()) + 2;
                    const int room = w->width() - label->x();
                    const int least = label->property("template_width").toInt();
                    label->resize(std::min(std::max(wanted, least), std::max(room, least)),
                                  label->height());
                }
        for (std::size_t i = 0; i < window.bars.size(); ++i) {
            const plat::Status_Bar_State& b = window.bars[i];
            if (i == shown.bars.size()) {
                auto* bar = new QProgressBar(w);
                bar->setObjectName(QStringLiteral("bar_%1").arg(i));
                bar->setTextVisible(false);
                bar->setGeometry(static_cast<int>(b.x * shown.scale_x),
                                 static_cast<int>(b.y * shown.scale_y),
                                 static_cast<int>(b.width * shown.scale_x),
                                 static_cast<int>(b.height * shown.scale_y));
                bar->show();
                shown.bars.push_back(bar);
            }
            QProgressBar* bar = shown.bars[i];
            if (bar->minimum() != b.low || bar->maximum() != b.high)
                bar->setRange(b.low, b.high);
            if (bar->value() != b.position)
                bar->setValue(b.position);
        }
    }

    std::map<plat::Status_Window, Shown> m_shown;
    QElapsedTimer m_painted;
};

std::unique_ptr<plat::Status_Services> make_status() {
    return std::make_unique<Qt_Status>();
}

} // namespace detail
} // namespace plat_qt
