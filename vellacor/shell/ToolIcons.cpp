#include "ToolIcons.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QStandardPaths>

namespace shell {
namespace {

// The themes searched, in order: the symbolic set ships as pre-rendered
// masks in several sizes, so no SVG renderer is needed.
constexpr const char *kThemes[] = { "Adwaita", "hicolor" };
constexpr const char *kContexts[]
    = { "actions", "places", "legacy", "mimetypes", "emblems", "status", "ui", "categories" };
constexpr int kSizes[] = { 16, 24, 32, 48, 64 };

QStringList IconRoots()
{
    QStringList roots;
    for (const QString &data :
        QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        roots << data + QStringLiteral("/icons");
    roots << QStringLiteral("/usr/share/icons");
    roots.removeDuplicates();
    return roots;
}

// The masks of `name` in every size the theme has, read once: the place is
// searched with the smallest size, and the other sizes lie beside it.
const QList<QImage> &Masks(const QString &name)
{
    static QHash<QString, QList<QImage>> masks;
    if (const auto it = masks.constFind(name); it != masks.constEnd())
        return *it;
    static const QStringList roots = IconRoots();
    const QString file = name + QStringLiteral("-symbolic.symbolic.png");
    auto pathFor = [&file](const QString &root, const char *theme, int size, const char *context) {
        return QStringLiteral("%1/%2/%3x%3/%4/%5")
            .arg(root, QLatin1String(theme))
            .arg(size)
            .arg(QLatin1String(context), file);
    };
    QList<QImage> found;
    for (const QString &root : roots)
        for (const char *theme : kThemes)
            for (const char *context : kContexts) {
                if (!found.isEmpty()
                    || !QFileInfo::exists(pathFor(root, theme, kSizes[0], context)))
                    continue;
                for (int size : kSizes) {
                    QImage mask;
                    if (mask.load(pathFor(root, theme, size, context)))
                        found << mask;
                }
            }
    return *masks.insert(name, found);
}

// The mask's shape in one colour, its own alpha kept.
QPixmap Tinted(const QImage &mask, const QColor &colour)
{
    QImage image = mask.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), colour);
    painter.end();
    return QPixmap::fromImage(image);
}

} // namespace

QIcon ToolIcon(const QString &name, const QPalette &palette)
{
    // Icons are made once per name and colour: toolbars ask for the same
    // handful again whenever the palette changes.
    static QHash<QString, QIcon> cache;
    const QColor normal = palette.color(QPalette::Active, QPalette::ButtonText);
    const QColor disabled = palette.color(QPalette::Disabled, QPalette::ButtonText);
    const QString key = name + QLatin1Char('/') + normal.name() + disabled.name();
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    QIcon icon;
    for (const QImage &mask : Masks(name)) {
        icon.addPixmap(Tinted(mask, normal), QIcon::Normal);
        icon.addPixmap(Tinted(mask, disabled), QIcon::Disabled);
    }
    cache.insert(key, icon);
    return icon;
}

} // namespace shell
