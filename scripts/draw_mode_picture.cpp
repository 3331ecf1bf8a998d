// Draws dialogs/mode/processing_mode.png, the picture of the processing-mode window.
// Not part of the build; run once after changing it:
//   g++ -std=c++20 -fPIC scripts/draw_mode_picture.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/draw_mode_picture
//   QT_QPA_PLATFORM=offscreen /tmp/draw_mode_picture dialogs/mode/processing_mode.png
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kInk(35, 45, 60), kHead(31, 78, 121), kBranch(56, 118, 29), kData(191, 120, 0), kRun(170, 40, 40);

void box(QPainter& p, const QRectF& r, const QColor& c, const QColor& fill, const QString& caption) {
    p.setPen(QPen(c.darker(130), 2));
    p.setBrush(fill);
    p.drawRoundedRect(r, 6, 6);
    p.setPen(c.darker(140));
    QFont f = p.font();
    f.setBold(true);
    f.setPointSizeF(9.5);
    p.setFont(f);
    p.drawText(r.adjusted(0, 4, 0, 0), Qt::AlignHCenter | Qt::AlignTop, caption);
}

// Where the data are kept: a small cylinder.
void database(QPainter& p, QPointF at) {
    const QRectF top(at.x() - 13, at.y() - 18, 26, 8);
    p.setPen(QPen(kData.darker(150), 1.5));
    p.setBrush(kData.lighter(150));
    QPainterPath body;
    body.moveTo(top.left(), top.center().y());
    body.lineTo(top.left(), top.center().y() + 22);
    body.arcTo(QRectF(top.left(), top.top() + 22, 26, 8), 180, 180);
    body.lineTo(top.right(), top.center().y());
    p.drawPath(body);
    p.drawEllipse(top);
}

// Where the processing runs: a gear.
void gear(QPainter& p, QPointF at) {
    p.setPen(QPen(kRun.darker(130), 1.5));
    p.setBrush(kRun.lighter(160));
    QPainterPath teeth;
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(at);
        p.rotate(i * 45);
        p.drawRect(QRectF(-3, -14, 6, 6));
        p.restore();
    }
    p.drawEllipse(at, 10, 10);
    p.setBrush(Qt::white);
    p.drawEllipse(at, 4, 4);
}

void link(QPainter& p, QPointF a, QPointF b, bool dashed) {
    p.setPen(QPen(kInk, 1.6, dashed ? Qt::DashLine : Qt::SolidLine));
    p.drawLine(a, b);
}

void text(QPainter& p, const QRectF& r, const QString& s, double size = 9.5, bool bold = false,
          const QColor& c = kInk, int align = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap) {
    QFont f = p.font();
    f.setPointSizeF(size);
    f.setBold(bold);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, align, s);
}

// One configuration: head office on top, two branches below; `shared` data at the head
// office only, `runAtHead`: processing at the head office.
void panel(QPainter& p, const QRectF& area, const QString& title, const QString& mode, const QString& place,
           bool shared, bool runAtHead, const QString& explanation) {
    p.setPen(QPen(QColor(170, 180, 195), 1));
    p.setBrush(QColor(248, 250, 253));
    p.drawRoundedRect(area, 10, 10);
    text(p, QRectF(area.left() + 12, area.top() + 10, area.width() - 24, 22), title, 11.5, true, kHead);
    text(p, QRectF(area.left() + 12, area.top() + 34, area.width() - 24, 20),
         QStringLiteral("Modo: %1   •   Local: %2").arg(mode, place), 9.5, true, kInk);

    const double cx = area.center().x();
    const QRectF head(cx - 75, area.top() + 64, 150, 86);
    const QRectF b1(area.left() + 22, area.top() + 184, 118, 70), b2(area.right() - 140, area.top() + 184, 118, 70);
    link(p, QPointF(cx, head.bottom()), QPointF(b1.center().x(), b1.top()), false);
    link(p, QPointF(cx, head.bottom()), QPointF(b2.center().x(), b2.top()), false);
    box(p, head, kHead, QColor(222, 234, 247), QStringLiteral("Matriz"));
    box(p, b1, kBranch, QColor(226, 242, 216), QStringLiteral("Filial A"));
    box(p, b2, kBranch, QColor(226, 242, 216), QStringLiteral("Filial B"));

    if (shared) {
        database(p, QPointF(cx - 22, head.top() + 46));
    } else {
        // Each branch's data apart: kept where the processing runs.
        if (runAtHead) {
            database(p, QPointF(cx - 40, head.top() + 46));
            database(p, QPointF(cx - 10, head.top() + 46));
            text(p, QRectF(head.left(), head.bottom() - 20, head.width(), 16), QStringLiteral("dados de A e de B"), 8,
                 false, kData.darker(150), Qt::AlignHCenter | Qt::AlignTop);
        } else {
            database(p, QPointF(b1.center().x() - 18, b1.center().y() + 14));
            database(p, QPointF(b2.center().x() - 18, b2.center().y() + 14));
        }
    }
    if (runAtHead) {
        gear(p, QPointF(cx + 30, head.top() + 44));
    } else {
        gear(p, QPointF(b1.center().x() + 24, b1.center().y() + 12));
        gear(p, QPointF(b2.center().x() + 24, b2.center().y() + 12));
    }
    text(p, QRectF(area.left() + 14, area.top() + 266, area.width() - 28, area.bottom() - area.top() - 270), explanation,
         9.2);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("processing_mode.png");
    QImage image(936, 674, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(QFont(QStringLiteral("DejaVu Sans")));

    text(p, QRectF(20, 14, 896, 30), QStringLiteral("Modo e Local de Processamento da Linha de Produto"), 16, true, kHead,
         Qt::AlignHCenter | Qt::AlignTop);
    text(p, QRectF(30, 50, 876, 40),
         QStringLiteral("Modo de Processamento: onde ficam os dados da linha (um só banco na Matriz, ou um por Filial).  "
                        "Local de Processamento: onde o sistema é executado (servidores da Matriz ou da própria Filial)."),
         9.5, false, kInk, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap);

    const double top = 98, height = 420, width = 288, gap = 12;
    panel(p, QRectF(18, top, width, height), QStringLiteral("1. Tudo na Matriz"), QStringLiteral("Matriz"),
          QStringLiteral("Matriz"), true, true,
          QStringLiteral("As filiais trabalham sobre um único banco de dados, mantido e processado na Matriz. "
                         "Os cadastros e movimentos são compartilhados por todas as filiais.\n\n"
                         "Escolhendo o modo Matriz, o local também é Matriz."));
    panel(p, QRectF(18 + width + gap, top, width, height), QStringLiteral("2. Filial processada na Matriz"),
          QStringLiteral("Filial"), QStringLiteral("Matriz"), false, true,
          QStringLiteral("Cada filial tem os seus próprios dados, separados dos das outras, mas o sistema roda nos "
                         "servidores da Matriz, que as filiais acessam remotamente."));
    panel(p, QRectF(18 + 2 * (width + gap), top, width, height), QStringLiteral("3. Tudo na Filial"),
          QStringLiteral("Filial"), QStringLiteral("Filial"), false, false,
          QStringLiteral("Cada filial mantém e processa os seus dados no próprio servidor. A Matriz não processa "
                         "a linha dessas filiais."));

    // Legend
    const double ly = top + height + 22;
    p.setPen(QPen(QColor(170, 180, 195), 1));
    p.setBrush(QColor(248, 250, 253));
    p.drawRoundedRect(QRectF(18, ly, 900, 124), 10, 10);
    text(p, QRectF(34, ly + 10, 300, 20), QStringLiteral("Legenda"), 11, true, kHead);
    database(p, QPointF(52, ly + 52));
    text(p, QRectF(74, ly + 38, 380, 30), QStringLiteral("Banco de dados da linha de produto (modo)"), 9.5);
    gear(p, QPointF(52, ly + 92));
    text(p, QRectF(74, ly + 82, 380, 30), QStringLiteral("Onde o processamento é executado (local)"), 9.5);
    text(p, QRectF(470, ly + 38, 430, 80),
         QStringLiteral("Na linha de produto: \"Modo\" Matriz ou Filial e \"Local\" Matriz ou Filial. "
                        "As combinações possíveis são as três acima; a linha do cliente é comparada "
                        "com as já contratadas por esses dois códigos."),
         9.5);
    p.end();
    return image.save(out) ? 0 : 1;
}
