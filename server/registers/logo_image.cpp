#include "server/registers/logo_image.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

namespace cot::server::registers {

namespace {

const QString kPng = QStringLiteral("image/png");
const QString kSvg = QStringLiteral("image/svg+xml");

// The signature, then the IHDR chunk every PNG starts with.
bool isPng(const QByteArray& bytes) {
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    return bytes.size() > 24 && bytes.startsWith(signature) && bytes.mid(12, 4) == "IHDR";
}

bool looksLikeXml(const QByteArray& bytes) {
    QByteArray head = bytes.left(512).trimmed();
    if (head.startsWith("\xEF\xBB\xBF")) head = head.mid(3).trimmed();
    return head.startsWith('<');
}

// Elements that run, embed or fetch something; a logo needs none of them (animation
// included: an <animate> or <set> could turn a harmless link into a script).
bool forbiddenElement(const QString& name) {
    static const QStringList names{
        "script", "foreignobject", "iframe", "embed", "object", "audio", "video", "image", "handler",
        "listener", "animate", "set", "animatemotion", "animatetransform", "animatecolor", "discard", "a"};
    return names.contains(name.toLower());
}

// A reference inside the drawing itself ("#gradiente", "url(#g)") is the only kind allowed.
bool externalReference(const QString& text) {
    const QString t = text.simplified().toLower();
    if (t.contains(QLatin1String("javascript:")) || t.contains(QLatin1String("@import"))) return true;
    for (qsizetype at = t.indexOf(QLatin1String("url(")); at >= 0; at = t.indexOf(QLatin1String("url("), at + 4)) {
        QString inside = t.mid(at + 4).trimmed();
        if (inside.startsWith(u'\'') || inside.startsWith(u'"')) inside = inside.mid(1);
        if (!inside.startsWith(u'#')) return true;
    }
    return false;
}

QString svgProblem(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError()) return QStringLiteral("o SVG não está em UTF-8");
    QXmlStreamReader xml(text);
    bool root = true;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            return QStringLiteral("o SVG declara um DTD ou entidades, o que não é aceito");
        case QXmlStreamReader::EntityReference:
            return QStringLiteral("o SVG usa entidades, o que não é aceito");
        case QXmlStreamReader::ProcessingInstruction:
            return QStringLiteral("o SVG tem instruções de processamento, o que não é aceito");
        case QXmlStreamReader::StartElement: {
            const QString name = xml.name().toString();
            if (root && name != QLatin1String("svg")) return QStringLiteral("o arquivo não é um SVG (a raiz não é <svg>)");
            root = false;
            if (forbiddenElement(name))
                return QStringLiteral("o SVG tem o elemento <%1>, que não é aceito num logotipo").arg(name);
            for (const QXmlStreamAttribute& a : xml.attributes()) {
                const QString attr = a.name().toString().toLower();
                if (attr.startsWith(QLatin1String("on")))
                    return QStringLiteral("o SVG tem o atributo %1 (um evento), que não é aceito").arg(attr);
                const QString value = a.value().toString();
                if (attr == QLatin1String("href") && !value.trimmed().startsWith(u'#'))
                    return QStringLiteral("o SVG aponta para fora do próprio desenho (href)");
                if (externalReference(value)) return QStringLiteral("o SVG aponta para fora do próprio desenho");
            }
            break;
        }
        case QXmlStreamReader::Characters:
            if (externalReference(xml.text().toString())) return QStringLiteral("o SVG aponta para fora do próprio desenho");
            break;
        default:
            break;
        }
    }
    if (xml.hasError() || root) return QStringLiteral("o arquivo não é um SVG válido (XML malformado)");
    return {};
}

}  // namespace

LogoCheck checkLogo(const QByteArray& bytes) {
    if (bytes.isEmpty()) return {{}, QStringLiteral("o logotipo está vazio")};
    if (bytes.size() > kMaxLogoBytes)
        return {{}, QStringLiteral("o logotipo tem %1 KB; o máximo é %2 KB").arg((bytes.size() + 1023) / 1024).arg(kMaxLogoBytes / 1024)};
    if (isPng(bytes)) return {kPng, {}};
    if (!looksLikeXml(bytes)) return {{}, QStringLiteral("o logotipo não é uma imagem PNG nem SVG")};
    if (const QString why = svgProblem(bytes); !why.isEmpty()) return {{}, why};
    return {kSvg, {}};
}

QString logoExtension(const QString& type) {
    if (type == kPng) return QStringLiteral("png");
    if (type == kSvg) return QStringLiteral("svg");
    return {};
}

}  // namespace cot::server::registers
