// Attachments of a proposal version: attaching from the list, the popup of attachments,
// opening them, the operator's right, and the attachments dialog's removal and saving.
#include <QDir>
#include <QDirIterator>
#include <QListWidget>
#include <QTemporaryDir>
#include <zip.h>

#include "dialogs/attachments/attachment_folder.h"
#include "dialogs/attachments/attachments_dialog.h"
#include "dialogs/attachments/list_attachments.h"
#include "screens/proposal_fixture.h"
#include "services/cipher.h"
#include "services/file_opener.h"
#include "services/user_registry.h"
#include "services/zip_archive.h"
#include "ui/buttons.h"
#include "ui/db_grid.h"
#include "ui/edits.h"

using namespace cot;
using namespace cot::testing;

namespace {

QByteArray readFile(const QString& path) { QFile f(path); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); }

void writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

const QString kInvalidKey = QStringLiteral("Número ou versão de proposta inválidos para a pasta de anexos.");
// Climbs out of the base, names a path both ways and carries a quote.
const QString kStrange = QStringLiteral("../../fora'\\x");

}  // namespace

class Attachments : public ProposalFixture {
protected:
    void SetUp() override {
        qputenv("COT_CONFIG_DIR", config.path().toUtf8());
        CipherKey::setKeyFile(config.filePath("host.key"));
        ProposalFixture::SetUp();
        setBase(base.path());
    }
    void TearDown() override { ProposalFixture::TearDown(); CipherKey::setKeyFile({}); qunsetenv("COT_CONFIG_DIR"); }

    static void setBase(const QString& folder) {
        UserRegistry::writeString(UserRegistry::kSistemasKey, "DirArqSoli", Criptografa::Cripto(folder, 2));
    }

    // Chooses popup entry `entry` (after a right click on the current row), the attachments
    // dialog it opens handed to `act`; false when the entry refused.
    bool inDialog(int entry, std::function<void(TfrmAnexoProposta&)> act) {
        rightClick();
        runner.expect([act](QWidget& w) { act(dynamic_cast<TfrmAnexoProposta&>(w)); }, "frmAnexoProposta");
        return popup().item(entry)->click();
    }
    // The version folder of demo proposal n, version 01.
    QString folderOf(int n) const { return base.filePath(QStringLiteral("Proposta/%1-01").arg(number(n))); }
    QStringList stored(int n) const { return QDir(folderOf(n)).entryList(QDir::Files, QDir::Name); }

    ListAttachments& list() { return *screen->findChild<ListAttachments*>(); }
    TPopupMenu& popup() { return *list().popAnexo(); }

    // A file the user picks, in the home of the test.
    QString pickable(const QString& name, const QByteArray& data) { writeFile(home.filePath(name), data); return home.filePath(name); }

    // Double click on the ANEXO cell of the current row, with the file dialog answered
    // (then each "already exists" question by `replace`).
    void attach(const QStringList& files, const QList<bool>& replace = {}) {
        ASSERT_TRUE(screen->dbgPadrao->setSelectedField("ANEXO"));
        dialogs.expectOpenFiles(files);
        for (const bool yes : replace) dialogs.expectConfirm(yes);
        QTest::mouseDClick(screen->dbgPadrao->viewport(), Qt::LeftButton, {}, anexoCell());
        processEvents();
    }
    QPoint anexoCell() {
        TDBGrid* grid = screen->dbgPadrao;
        return grid->visualRect(grid->model()->index(grid->row(), grid->columnOf("ANEXO")->index)).center();
    }
    bool doubleClickRefused() { return !runHandler([&] { list().dbgPadraoDblClick(); }); }

    // Right click on the ANEXO cell of the current row.
    void rightClick() {
        QTest::mouseClick(screen->dbgPadrao->viewport(), Qt::RightButton, {}, anexoCell());
        processEvents();
        popup().menu()->hide();
    }

    QStringList captions() {
        QStringList out;
        for (int i = 0; i < popup().count(); ++i) out << popup().item(i)->caption();
        return out;
    }
    const QString kNoRight = "Operador não possui permissão para anexar/remover arquivos na proposta.";

    QTemporaryDir config, base, home, elsewhere;
    RecordingFileOpener opener;
    RecordingFileOpener::Scope openerScope{opener};
};

// A file is stored zipped and an archive as it is; attaching again asks about the stored
// a.txt.zip (the folder never holds a.txt beside it): Yes replaces it, No keeps it; names that
// would leave the folder or name a device are refused, the others still stored.
TEST_F(Attachments, AttachingZipsAsksBeforeReplacingAndRefusesUnsafeNames) {
    openOn(2);
    EXPECT_FALSE(list().hasAttachments());
    const QString file = pickable("a.txt", "primeira");
    attach({file, pickable("b.zip", "PK-not-really")});
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join('\n').toStdString();
    EXPECT_EQ(dialogs.informations(), QStringList{"Arquivo(s) anexado(s)."});
    EXPECT_EQ(stored(2), (QStringList{"a.txt.zip", "b.zip"}));
    EXPECT_EQ(ZipArchive::entries(folderOf(2) + "/a.txt.zip"), QStringList{"a.txt"});
    EXPECT_EQ(readFile(folderOf(2) + "/b.zip"), "PK-not-really");
    EXPECT_TRUE(list().hasAttachments());

    for (const bool replace : {true, false}) {
        writeFile(file, replace ? "segunda" : "terceira");
        dialogs.clearShown();
        attach({file}, {replace});
        EXPECT_EQ(dialogs.questions(), QStringList{"Arquivo já existente. Deseja substituí-lo?"});
        EXPECT_EQ(dialogs.informations().size(), replace ? 1 : 0) << "nothing attached, nothing said";
        const QStringList unzipped = ZipArchive::extractAll(folderOf(2) + "/a.txt.zip", elsewhere.filePath(replace ? "1" : "2"));
        EXPECT_EQ(unzipped.size() == 1 ? readFile(unzipped[0]) : QByteArray(), "segunda");
    }

    ASSERT_TRUE(select(4));  // another proposal's folder is its own
    EXPECT_FALSE(list().hasAttachments());
    dialogs.clearShown();
    attach({pickable("CON.txt", "x"), pickable("nul", "x"), pickable("a\\..\\b.txt", "x"), pickable("ok.pdf", "x")});
    const QStringList errors = dialogs.errors();
    ASSERT_EQ(errors.size(), 3) << errors.join('\n').toStdString();
    EXPECT_TRUE(errors[0].startsWith("O nome \"CON.txt\" não pode ser usado para um anexo")) << errors[0].toStdString();
    EXPECT_TRUE(errors[2].contains("a\\..\\b.txt")) << errors[2].toStdString();
    EXPECT_EQ(stored(4), QStringList{"ok.pdf.zip"});
    EXPECT_EQ(QDir(base.path()).entryList(QDir::Files), QStringList());
}

// The right is the operator's, or the requester's own on his request.
TEST_F(Attachments, WithoutABaseFolderItsCipherOrTheRightNothingIsAsked) {
    openOn(2);
    ASSERT_TRUE(screen->dbgPadrao->setSelectedField("ANEXO"));
    signInAs("ASSIST");  // no attachment right
    EXPECT_TRUE(doubleClickRefused());
    EXPECT_EQ(dialogs.errors(), QStringList{kNoRight});
    signInAs("VENDEDOR");
    setBase({});
    EXPECT_TRUE(doubleClickRefused() && dialogs.errors().value(1).startsWith("Pasta de anexos não configurada"));
    EXPECT_EQ(dialogs.pendingAnswers(), 0);

    // The base folder is kept enciphered in the operator's registry; a value this machine
    // cannot decipher is said when attaching.
    UserRegistry::writeString(UserRegistry::kSistemasKey, "DirArqSoli", "nao-cifrado");
    EXPECT_TRUE(doubleClickRefused());
    EXPECT_EQ(dialogs.errors().value(2), "Não foi possível decifrar o valor armazenado.");
    setBase(base.path());
    EXPECT_NE(Cli_cot05000::RetornaDirArqSoli(), base.path());
    EXPECT_EQ(Criptografa::Uncripto(Cli_cot05000::RetornaDirArqSoli(), 2), base.path());

    // Proposal 5 is a request ASSIST made: he may attach to it.
    signInAs("ASSIST");
    dialogs.clearShown();
    ASSERT_TRUE(select(5));
    attach({pickable("pedido.txt", "x")});
    EXPECT_EQ(dialogs.errors(), QStringList());
    EXPECT_EQ(stored(5), QStringList{"pedido.txt.zip"});
    // An unreadable base draws no picture in the list; no registry file at all: no base folder.
    ASSERT_TRUE(list().hasAttachments());
    UserRegistry::writeString(UserRegistry::kSistemasKey, "DirArqSoli", "nao-cifrado");
    EXPECT_FALSE(list().hasAttachments());
    screen->dbgPadrao->grab();
    QFile::remove(UserRegistry::file());
    EXPECT_EQ(Cli_cot05000::RetornaDirArqSoli(), QString());
}

// A name with '&' is shown with the accelerator escaped and each entry acts on its own file,
// not on the one its caption would read as without the '&'; a name starting with a dot is
// stored, listed and opened like any other. Only the right's holders may remove; the removal
// dialog lists the files and removes the ones selected, after asking; removing the last file
// takes the folder with it; moving the mouse empties the popup.
TEST_F(Attachments, PopupListsTheFilesEachEntryReachesItsOwnAndRemovingTheLastTakesTheFolder) {
    openOn(4);
    rightClick();
    EXPECT_EQ(popup().count(), 0) << "no attachments, no popup";

    ASSERT_TRUE(select(2));
    attach({pickable("P&D.doc", "com e comercial"), pickable("PD.doc", "sem"), pickable(".oculto", "oculto")});
    rightClick();
    EXPECT_EQ(captions(), (QStringList{".oculto.zip", "P&&D.doc.zip", "PD.doc.zip", "-", "Remover Anexos...", "Salvar Anexos..."}));
    EXPECT_EQ(list().fileOfEntry(1), "P&D.doc.zip");
    EXPECT_TRUE(popup().item(1)->click() && popup().item(0)->click());
    EXPECT_EQ(opener.opened, QStringList({folderOf(2) + "/P&D.doc.zip", folderOf(2) + "/.oculto.zip"}));

    signInAs("ASSIST");  // without the right the removal dialog does not open
    EXPECT_FALSE(popup().item(4)->click());
    EXPECT_EQ(dialogs.errors(), QStringList{kNoRight});
    signInAs("VENDEDOR");

    // Cancelled, nothing removed.
    EXPECT_TRUE(inDialog(4, [](TfrmAnexoProposta& d) {
        EXPECT_EQ(d.mode(), TfrmAnexoProposta::Mode::Removal);
        EXPECT_EQ(QStringList({d.windowTitle(), d.btfSalvar->caption()}), QStringList({"Arquivos a serem removidos:", "Remover"}));
        EXPECT_FALSE(d.edtAnexo->isVisibleTo(&d));
        EXPECT_EQ(d.listed(), (QStringList{".oculto.zip", "P&D.doc.zip", "PD.doc.zip"}));
        clickButton(*d.btfCancelar);
    }));
    EXPECT_EQ(screen->findChild<TfrmAnexoProposta*>(), nullptr);
    EXPECT_EQ(stored(2).size(), 2) << "the hidden file is not counted here";

    // Nothing selected, then one selected and confirmed.
    dialogs.expectConfirm(true);
    EXPECT_TRUE(inDialog(4, [this](TfrmAnexoProposta& d) {
        clickButton(*d.btfSalvar);
        EXPECT_EQ(dialogs.errors().last(), "Anexo deve ser selecionado.");
        d.lbxAnexo->item(1)->setSelected(true);
        clickButton(*d.btfSalvar);
    }));
    EXPECT_EQ(dialogs.questions().last(), "Deseja realmente remover o anexo?");
    EXPECT_EQ(stored(2), QStringList{"PD.doc.zip"});
    EXPECT_TRUE(QFileInfo::exists(folderOf(2) + "/.oculto.zip"));
    EXPECT_EQ(runner.shown(), QStringList(2, "frmAnexoProposta"));

    rightClick();
    ASSERT_EQ(popup().count(), 5);
    QTest::mouseMove(screen->dbgPadrao->viewport(), QPoint(5, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(6, 6), QPointF(6, 6), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(screen->dbgPadrao->viewport(), &move);
    EXPECT_EQ(popup().count(), 0);

    // All selected and confirmed: the folder goes with the last files.
    dialogs.expectConfirm(true);
    EXPECT_TRUE(inDialog(3, [](TfrmAnexoProposta& d) { clickButton(*d.btfSeleciona); clickButton(*d.btfSalvar); }));
    EXPECT_TRUE(!QFileInfo::exists(folderOf(2)) && QFileInfo::exists(base.filePath("Proposta")) && !list().hasAttachments());
}

// Saving copies to the folder typed, with or without a separator, and skips declined files.
// No program for zip files: the archive is unpacked into a folder the user picks and the
// file it held is opened; an archive whose entries would leave that folder is refused.
TEST_F(Attachments, SavingCopiesToTheFolderTypedAndWithoutAProgramTheArchiveIsUnpackedSafely) {
    openOn(2);
    attach({pickable("a.txt", "conteúdo"), pickable("b.zip", "b")});
    const auto saveAllTo = [&](const QString& target) {
        inDialog(4, [target](TfrmAnexoProposta& d) {
            d.lbxAnexo->selectAll();
            d.edtAnexo->setText(target);
            clickButton(*d.btfSalvar);
        });
    };
    // An empty target is refused with the focus on it; the dialog stays open.
    inDialog(4, [this](TfrmAnexoProposta& d) {
        EXPECT_EQ(d.mode(), TfrmAnexoProposta::Mode::Save);
        EXPECT_EQ(QStringList({d.windowTitle(), d.btfSalvar->caption()}), QStringList({"Arquivos a serem salvos:", "Salvar"}));
        clickButton(*d.btfSeleciona);
        clickButton(*d.btfSalvar);
        EXPECT_EQ(dialogs.errors().last(), "'' não é um nome de pasta válido.");
        EXPECT_TRUE(focused(*d.edtAnexo) && d.isVisible());
        clickButton(*d.btfCancelar);
    });
    for (const QString& typed : {elsewhere.filePath("com"), elsewhere.filePath("sem") + "/"}) {
        QDir().mkpath(typed);
        saveAllTo(typed);
        EXPECT_EQ(QDir(typed).entryList(QDir::Files, QDir::Name), (QStringList{"a.txt.zip", "b.zip"})) << typed.toStdString();
    }
    // Both exist in the target: No keeps the first as it was, Yes replaces the second.
    const QString target = elsewhere.filePath("com");
    for (const char* name : {"/a.txt.zip", "/b.zip"}) writeFile(target + name, "antigo");
    dialogs.clearShown();
    dialogs.expectConfirm(false);
    dialogs.expectConfirm(true);
    saveAllTo(target);
    EXPECT_EQ(dialogs.questions(), (QStringList{"O arquivo a.txt.zip já existe. Deseja substituí-lo?",
                                                "O arquivo b.zip já existe. Deseja substituí-lo?"}));
    EXPECT_EQ(readFile(target + "/a.txt.zip") + readFile(target + "/b.zip"), "antigob");
    EXPECT_EQ(stored(2), (QStringList{"a.txt.zip", "b.zip"})) << "saving leaves the attachments alone";
    // Saved into the proposal's own folder: nothing asked, nothing lost.
    dialogs.clearShown();
    saveAllTo(folderOf(2));
    EXPECT_EQ(dialogs.questions(), QStringList());
    EXPECT_EQ(readFile(folderOf(2) + "/b.zip"), "b");

    opener.unassociated = {".zip"};
    {
        int code = 0;
        zip_t* z = zip_open(QFile::encodeName(folderOf(2) + "/mau.zip").constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
        ASSERT_NE(z, nullptr);
        static const char data[] = "escapou";
        zip_file_add(z, "..\\fora.txt", zip_source_buffer(z, data, sizeof data - 1, 0), ZIP_FL_ENC_RAW);
        ASSERT_EQ(zip_close(z), 0);
    }
    rightClick();
    ASSERT_EQ(list().fileOfEntry(2), "mau.zip");
    dialogs.clearShown();
    dialogs.expectConfirm(true);
    dialogs.expectFolder(elsewhere.filePath("saida"));
    EXPECT_TRUE(popup().item(0)->click());
    EXPECT_EQ(dialogs.questions(), QStringList{"Não existe nenhum programa para descompactar o arquivo.Deseja escolher "
                                               "uma pasta para salvar o arquivo descompactalo?"});
    EXPECT_EQ(opener.opened, QStringList{elsewhere.filePath("saida/a.txt")});
    EXPECT_EQ(readFile(elsewhere.filePath("saida/a.txt")), "conteúdo");

    // The entry climbing out of the folder chosen: refused, nothing written.
    dialogs.expectConfirm(true);
    dialogs.expectFolder(elsewhere.filePath("saida2"));
    EXPECT_FALSE(popup().item(2)->click());
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors()[0].contains("fora da pasta")) << dialogs.errors()[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(elsewhere.filePath("fora.txt")));
    EXPECT_EQ(QDir(elsewhere.filePath("saida2")).entryList(QDir::Files), QStringList());
    EXPECT_EQ(opener.opened.size(), 1);
}

// A key names a folder only when it is a proposal number and version: one that climbs,
// names a path or carries a quote is refused before anything is made. A link inside the base
// may not lead a proposal's files out of it; links that stay inside, and a base that is
// itself a link, are fine.
TEST_F(Attachments, AKeyThatIsNoProposalKeyOrALinkOutOfTheBaseNamesNoFolder) {
    const auto refusal = [](const QString& root, const QString& nr, const QString& ver = "01") -> QString {
        try { return "gave " + attachments::versionFolder(root, nr, ver); } catch (const UserError& e) { return e.text(); }
    };
    const QList<std::pair<QString, QString>> keys{
        {"../../escaped", "01"}, {"..", "01"},     {"1/2", "01"},  {"1\\2", "01"},   {"1'2", "01"},
        {"", "01"},              {"\u0661", "01"}, {QString(21, u'1'), "01"},
        {"2", "01/../../tmp"},   {"2", ".."},      {"2", "1/"},    {"2", "001"}, {"2", ""}, {"2", "0'"}};
    for (const auto& [nr, ver] : keys)
        EXPECT_EQ(refusal(base.path(), nr, ver), kInvalidKey) << nr.toStdString() << "-" << ver.toStdString();
    EXPECT_EQ(attachments::versionFolder(base.path() + "/", "2", "1"), base.filePath("Proposta/0000000002-01"));
    EXPECT_EQ(attachments::versionFolder(base.path(), number(7), "12"), base.filePath("Proposta/" + number(7) + "-12"));
    EXPECT_EQ(QDir(base.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

    const auto refused = [&](const QString& root, int n) {
        return refusal(root, number(n)).contains("fica fora da pasta de anexos configurada");
    };
    ASSERT_TRUE(QDir().mkpath(elsewhere.filePath("alvo")) && QDir().mkpath(base.filePath("real")) &&
                QDir().mkpath(base.filePath("Proposta")));
    // A broken link (to "sumiu") counts where it points.
    const std::tuple<QString, int, bool> links[] = {
        {elsewhere.filePath("alvo"), 2, true}, {elsewhere.filePath("sumiu"), 3, true}, {base.filePath("real"), 4, false}};
    for (const auto& [target, n, out] : links) {
        ASSERT_TRUE(QFile::link(target, base.filePath("Proposta/" + number(n) + "-01")));
        EXPECT_EQ(refused(base.path(), n), out) << n;
    }
    // The whole Proposta folder a link to elsewhere.
    const QString other = home.filePath("outra");
    ASSERT_TRUE(QDir().mkpath(other) && QFile::link(elsewhere.path(), other + "/Proposta"));
    EXPECT_TRUE(refused(other, 5));
    // The base reached through a link of its own.
    const QString viaLink = elsewhere.filePath("base");
    ASSERT_TRUE(QFile::link(base.path(), viaLink));
    EXPECT_EQ(attachments::versionFolder(viaLink, number(4), "01"), viaLink + "/Proposta/" + number(4) + "-01");
    EXPECT_FALSE(refused(viaLink, 6));
}

// A proposal stored under a number no desktop should have seen (a damaged or foreign
// database): its attachments are refused, nothing is written or listed outside the base.
class StrangeKeyAttachments : public Attachments {
protected:
    void prepareDatabase(server::Database& db) override {
        db.exec("CREATE TABLE COPIA AS SELECT * FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'", {{"N", number(2)}});
        db.exec("UPDATE COPIA SET NRPROPOSFAS = :S", {{"S", kStrange}});
        ASSERT_EQ(db.exec("INSERT INTO PROPOSTAFAS SELECT * FROM COPIA"), 1);
    }
    QTemporaryDir outer;
};

TEST_F(StrangeKeyAttachments, NothingIsWrittenOrListedOutsideTheBase) {
    // The base two levels down, so whatever the key reaches stays where the test looks.
    ASSERT_TRUE(QDir().mkpath(outer.filePath("a/b")));
    setBase(outer.filePath("a/b"));
    writeFile(outer.filePath("a/fora'\\x-01/segredo.txt"), "alheio");
    openScreen();
    (void)runHandler([&] { screen->proposal().locate("NRPROPOSFAS;NRVERPROPFAS", {kStrange, "01"}); });
    ASSERT_EQ(screen->NR(), kStrange);
    dialogs.clearShown();  // whatever loading such a key said

    attach({pickable("a.txt", "x")});
    EXPECT_EQ(dialogs.pendingAnswers(), 1) << "refused before any file is picked";
    dialogs.clearAnswers();
    EXPECT_TRUE(!runHandler([&] { list().attach({home.filePath("a.txt")}); }) && !list().hasAttachments());
    rightClick();
    EXPECT_EQ(popup().count(), 0);
    EXPECT_EQ(dialogs.errors(), QStringList(3, kInvalidKey));

    QStringList files;
    for (QDirIterator it(outer.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        files << QDir(outer.path()).relativeFilePath(it.next());
    EXPECT_EQ(files, QStringList{"a/fora'\\x-01/segredo.txt"});
}
