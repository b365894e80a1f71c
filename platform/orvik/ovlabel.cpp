// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovlabel.h"

#include "ovaccessible.h"
#include "ovbutton.h"
#include "ovreadingorder.h"
#include "ovstyle.h"

#include <QWidget>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsSceneResizeEvent>
#include <QHash>
#include <QPainter>
#include <QRegularExpression>
#include <QTextLayout>

#include <memory>

namespace {
constexpr qreal unlimited = 1e7;

struct TextMetrics {
    qreal width = 0;  // widest line
    int lines = 0;
};

// Lines break between words; a word wider than the whole line (large text, a narrow
// screen) breaks inside rather than stick out of the label.
QTextOption::WrapMode lineWrap(bool wordWrap, QTextOption::WrapMode mode)
{
    if (!wordWrap)
        return QTextOption::NoWrap;
    return mode == QTextOption::WordWrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : mode;
}

QString layoutText(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return t;
}

// Lays the text out at the given line width (unlimited when negative).
TextMetrics layOut(const QString &text, const QFont &font, const QTextOption &option, qreal width)
{
    TextMetrics m;
    QTextLayout layout(layoutText(text), font);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width < 0 ? unlimited : width);
        m.width = qMax(m.width, line.naturalTextWidth());
        ++m.lines;
    }
    layout.endLayout();
    m.lines = qMax(1, m.lines);
    return m;
}

struct MeasureKey {
    QString text;
    QFont font;
    int wrapMode;
    qreal width;
    bool operator==(const MeasureKey &o) const
    {
        return width == o.width && wrapMode == o.wrapMode && text == o.text && font == o.font;
    }
};

size_t qHash(const MeasureKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.text, key.font, key.wrapMode, key.width);
}

// Layouts ask a label for its size many times over with the same few widths, and every page
// built anew asks again for the same texts; laying text out is the dear part. The key holds
// everything the result depends on, so nothing has to be told when a label changes.
TextMetrics measure(const QString &text, const QFont &font, const QTextOption &option, qreal width)
{
    // Never destroyed: fonts must not outlive the application's font database at exit.
    static auto &cache = *new QHash<MeasureKey, TextMetrics>;
    const MeasureKey key{text, font, int(option.wrapMode()), width};
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return it.value();
    // Bounded: a label whose text keeps changing must not grow it without end.
    if (cache.size() >= 512)
        cache.clear();
    const TextMetrics m = layOut(text, font, option, width);
    cache.insert(key, m);
    return m;
}
struct WordKey {
    QString text;
    QFont font;
    bool operator==(const WordKey &o) const { return text == o.text && font == o.font; }
};

size_t qHash(const WordKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.text, key.font);
}

// Layouts ask on every size query whether a row's words still fit; shaping each word again
// was a quarter of opening a page.
qreal widestWord(const QString &text, const QFont &font)
{
    static auto &cache = *new QHash<WordKey, qreal>;
    const WordKey key{text, font};
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return it.value();
    if (cache.size() >= 512)
        cache.clear();
    const QFontMetricsF fm(font);
    qreal widest = 0;
    static const QRegularExpression space(QStringLiteral("\\s+"));
    for (const QString &word : text.split(space, Qt::SkipEmptyParts))
        widest = qMax(widest, fm.horizontalAdvance(word));
    cache.insert(key, widest);
    return widest;
}

struct PaintKey {
    QString text;
    QFont font;
    int wrapMode;
    int alignment;
    int direction;
    qreal width;
    bool operator==(const PaintKey &o) const
    {
        return width == o.width && wrapMode == o.wrapMode && alignment == o.alignment && direction == o.direction
            && text == o.text && font == o.font;
    }
};

size_t qHash(const PaintKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.text, key.font, key.wrapMode, key.alignment, key.direction, key.width);
}

// Every page built anew paints the same texts at the same widths, and shaping the text is
// most of what painting a label costs: the text laid out into lines is kept for the next.
std::shared_ptr<const QTextLayout> laidOut(const QString &text, const QFont &font, const QTextOption &option,
                                           qreal width, qreal lineHeight)
{
    static auto &cache = *new QHash<PaintKey, std::shared_ptr<const QTextLayout>>;
    const PaintKey key{text, font, int(option.wrapMode()), int(option.alignment()), int(option.textDirection()), width};
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return it.value();
    if (cache.size() >= 64)
        cache.clear();
    auto layout = std::make_shared<QTextLayout>(layoutText(text), font);
    layout->setTextOption(option);
    layout->beginLayout();
    for (int i = 0;; ++i) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        line.setPosition(QPointF(0, i * lineHeight));
    }
    layout->endLayout();
    cache.insert(key, layout);
    return layout;
}
} // namespace

OvLabel::OvLabel(QGraphicsItem *parent)
    : OvLabel(QString(), parent)
{
}

OvLabel::OvLabel(const QString &text, QGraphicsItem *parent)
    : OvWidgetController(parent)
    , m_text(text)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    resetStyle();
}

OvLabel::~OvLabel() = default;

void OvLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    update();
    announceIfAlert();
}

QString OvLabel::text() const
{
    return m_text;
}

void OvLabel::setWordWrap(bool wrap)
{
    if (wrap == m_wordWrap)
        return;
    m_wordWrap = wrap;
    updateGeometry();
    update();
}

bool OvLabel::wordWrap() const
{
    return m_wordWrap;
}

void OvLabel::setWrapMode(QTextOption::WrapMode mode)
{
    if (mode == m_wrapMode)
        return;
    m_wrapMode = mode;
    updateGeometry();
    update();
}

QTextOption::WrapMode OvLabel::wrapMode() const
{
    return m_wrapMode;
}

void OvLabel::setTextElide(bool elide)
{
    if (elide == m_elide)
        return;
    m_elide = elide;
    updateGeometry();
    update();
}

bool OvLabel::textElide() const
{
    return m_elide;
}

void OvLabel::setAlignment(Qt::Alignment alignment)
{
    if (alignment == m_alignment)
        return;
    m_alignment = alignment;
    update();
}

Qt::Alignment OvLabel::alignment() const
{
    return m_alignment;
}

QString OvLabel::styleType() const
{
    return QStringLiteral("OvLabelStyle");
}

qreal OvLabel::widestWordWidth() const
{
    qreal l, t, r, b;
    getContentsMargins(&l, &t, &r, &b);
    return widestWord(m_text, style().font()) + l + r;
}

void OvLabel::styleChanged()
{
    const QString align = style().string(QStringLiteral("alignment"));
    if (align == QLatin1String("center"))
        m_alignment = Qt::AlignHCenter | Qt::AlignVCenter;
    else if (align == QLatin1String("right"))
        m_alignment = Qt::AlignRight | Qt::AlignVCenter;
    OvWidgetController::styleChanged();
}

QSizeF OvLabel::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    if (which != Qt::MinimumSize && which != Qt::PreferredSize && which != Qt::MaximumSize)
        return QSizeF(-1, -1);
    qreal l, t, r, b;
    getContentsMargins(&l, &t, &r, &b);
    const QFont font = style().font();
    const QFontMetricsF fm(font);
    const qreal lineHeight = fm.lineSpacing();

    QTextOption option;
    option.setWrapMode(lineWrap(m_wordWrap, m_wrapMode));
    const auto natural = [&] { return measure(m_text, font, option, -1); };

    QSizeF hint;
    if (which == Qt::MaximumSize) {
        hint = QSizeF(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else if (m_wordWrap && constraint.width() >= 0) {
        // Height for width: exactly the lines the text takes at this width, so that the
        // layout never clips a wrapped paragraph.
        const qreal width = qMax<qreal>(0, constraint.width() - l - r);
        const TextMetrics wrapped = measure(m_text, font, option, width);
        const int lines = (which == Qt::MinimumSize && m_elide) ? 1 : wrapped.lines;
        hint = QSizeF(constraint.width(), lines * lineHeight + t + b);
    } else if (which == Qt::MinimumSize) {
        qreal width;
        int lines = 1;
        if (m_wordWrap) {
            width = measure(m_text, font, option, 0).width; // the widest letter
        } else {
            const TextMetrics unwrapped = natural();
            width = m_elide ? qMin(unwrapped.width, fm.horizontalAdvance(QChar(0x2026)) * 3) : unwrapped.width;
            lines = unwrapped.lines;
        }
        hint = QSizeF(width + l + r, lines * lineHeight + t + b);
    } else {
        const TextMetrics unwrapped = natural();
        hint = QSizeF(unwrapped.width + l + r, unwrapped.lines * lineHeight + t + b);
    }
    return styledSizeHint(which, hint);
}

void OvLabel::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    OvWidgetController::resizeEvent(event);
    update();
}

void OvLabel::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    OvWidgetController::paint(painter, option, widget);
    const QRectF area = contentsRect();
    if (m_text.isEmpty() || area.width() <= 0)
        return;

    const QFont font = style().font();
    const QFontMetricsF fm(font);
    const qreal lineHeight = fm.lineSpacing();
    // Lines start at the side where the page's text starts: the right in right to left.
    const Qt::Alignment horizontal = visualAlignment(m_alignment) & Qt::AlignHorizontal_Mask;
    QTextOption textOption;
    textOption.setWrapMode(lineWrap(m_wordWrap, m_wrapMode));
    textOption.setAlignment(horizontal | Qt::AlignAbsolute);
    textOption.setTextDirection(layoutDirection());

    const std::shared_ptr<const QTextLayout> layout = laidOut(m_text, font, textOption, area.width(), lineHeight);
    QList<QTextLine> lines;
    for (int i = 0; i < layout->lineCount(); ++i)
        lines.append(layout->lineAt(i));

    // With elision on, the last line that fits takes the rest of the text, ellipsed.
    int shown = lines.size();
    const int fitting = qMax(1, int((area.height() + 0.5) / lineHeight));
    bool elideLast = false;
    if (m_elide && (shown > fitting || (shown > 0 && lines.last().naturalTextWidth() > area.width() + 0.5))) {
        shown = qMin(shown, fitting);
        elideLast = true;
    }

    const qreal textHeight = shown * lineHeight;
    qreal y = area.top();
    if (m_alignment & Qt::AlignVCenter)
        y += (area.height() - textHeight) / 2;
    else if (m_alignment & Qt::AlignBottom)
        y += area.height() - textHeight;

    painter->save();
    painter->setPen(style().color(QStringLiteral("textColor"), Qt::white));
    painter->setFont(font);
    painter->setLayoutDirection(layoutDirection());
    for (int i = 0; i < shown; ++i) {
        if (elideLast && i == shown - 1) {
            const QTextLine &line = lines.at(i);
            QString rest = m_text.mid(line.textStart());
            rest.replace(QLatin1Char('\n'), QLatin1Char(' '));
            const QString elided = fm.elidedText(rest, Qt::ElideRight, area.width());
            const qreal w = fm.horizontalAdvance(elided);
            qreal x = area.left();
            if (horizontal & Qt::AlignRight)
                x = area.right() - w;
            else if (horizontal & Qt::AlignHCenter)
                x = area.left() + (area.width() - w) / 2;
            painter->drawText(QPointF(x, y + i * lineHeight + fm.ascent()), elided);
        } else {
            lines.at(i).draw(painter, QPointF(area.left(), y));
        }
    }
    painter->restore();
}

namespace {
OvButton *buttonOf(OvLabel *label)
{
    auto *button = qobject_cast<OvButton *>(OvReadingOrder::controlOf(label));
    return button && button->isEnabled() ? button : nullptr;
}
} // namespace

void OvLabel::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    // Only a label that stands for a button takes taps; others let them through.
    if (event->button() != Qt::LeftButton || !buttonOf(this)) {
        event->ignore();
        return;
    }
    event->accept();
}

void OvLabel::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    // The row is one target: the button does what a tap on it does, nothing besides.
    OvButton *button = event->button() == Qt::LeftButton && rect().contains(event->pos()) ? buttonOf(this) : nullptr;
    if (button)
        button->tap();
}

QVariant OvLabel::itemChange(GraphicsItemChange change, const QVariant &value)
{
    if ((change == ItemSceneHasChanged && scene()) || (change == ItemVisibleHasChanged && value.toBool()))
        announceIfAlert();
    return OvWidgetController::itemChange(change, value);
}

void OvLabel::announceIfAlert()
{
    if (QAccessible::isActive() && scene() && isVisible()
        && style().string(QStringLiteral("accessibleRole")) == QLatin1String("alert"))
        OvAccessible::notifyAlert(this);
}
