#include "TfrmDimensao.h"

#include "CheckMarkImages.h"
#include "MessageTable.h"
#include "MembersTab.h"
#include "ProfileLine.h"

#include "Colors.h"
#include "EventBoundary.h"

#include <QBitmap>
#include <QVBoxLayout>

namespace {

struct FieldDefinition {
    const char *name;
    int size;
    const char *label;        // nullptr: none
    const char *mask;         // nullptr: none
    int displayWidth;         // 0: the size
};

constexpr const char *codeMask = "!99999;0; ";

const FieldDefinition dadosFields[] = {
    {"IDDIMENSAODW", 1, nullptr, nullptr, 0},
    {"NRSEQUEDIME", 5, "Código", codeMask, 0},
    {"NMITEMDIME", 30, "Nome", nullptr, 0},
    {"CDTABELADIME", 30, "Tabela Dimensão", nullptr, 0},
    {"DSPKDIME", 30, "Chave Primária", nullptr, 0},
    {"DSITEMDIME", 30, "Atributo Principal", nullptr, 0},
    {"DSPKDIME2", 30, "Auto Relacionamento", nullptr, 0},
};

// The scratch copy keeps its own field order.
const FieldDefinition vdDadosFields[] = {
    {"IDDIMENSAODW", 1, nullptr, nullptr, 0},
    {"NRSEQUEDIME", 5, nullptr, nullptr, 0},
    {"NMITEMDIME", 30, nullptr, nullptr, 0},
    {"CDTABELADIME", 30, nullptr, nullptr, 0},
    {"DSPKDIME", 30, nullptr, nullptr, 0},
    {"DSPKDIME2", 30, nullptr, nullptr, 0},
    {"DSITEMDIME", 30, nullptr, nullptr, 0},
};

const FieldDefinition fieldsFields[] = {
    {"CDFIELD", 30, "Campo", nullptr, 0},
    {"DSTIPO", 30, "Tipo", nullptr, 0},
};

const FieldDefinition extrasFields[] = {
    {"NRSEQUEDIME", 5, "Código", codeMask, 0},
    {"CDATRIBEXTRDIME", 30, "Atributo Extra", nullptr, 0},
    {"DSATRIBEXTRDIME", 30, "Nome", nullptr, 30},
};

template <size_t N>
void declareFields(TClientDataSet *dataSet, const FieldDefinition (&definitions)[N])
{
    for (const FieldDefinition &d : definitions) {
        TField *field = dataSet->AddField(QString::fromUtf8(d.name), d.size);
        if (d.label)
            field->SetDisplayLabel(QString::fromUtf8(d.label));
        if (d.mask)
            field->SetEditMask(QString::fromUtf8(d.mask));
        if (d.displayWidth)
            field->SetDisplayWidth(d.displayWidth);
    }
}

struct ColumnDefinition {
    const char *field;
    int width;                // -1: default
    bool ellipsis;
};

const ColumnDefinition padraoColumns[] = {
    {"IDDIMENSAODW", 16, false},
    {"NRSEQUEDIME", -1, false},
    {"NMITEMDIME", 141, false},
    {"CDTABELADIME", 105, false},
    {"DSPKDIME", 96, true},
    {"DSITEMDIME", 111, true},
    {"DSPKDIME2", 109, true},
};

const ColumnDefinition extrasColumns[] = {
    {"CDATRIBEXTRDIME", -1, true},
    {"DSATRIBEXTRDIME", 306, false},
};

template <size_t N>
void declareColumns(TDBGrid *grid, const ColumnDefinition (&definitions)[N])
{
    for (const ColumnDefinition &d : definitions) {
        TColumn *column = grid->AddColumn(QString::fromUtf8(d.field));
        column->Width = d.width;
        if (d.ellipsis)
            column->ButtonStyle = TColumnButtonStyle::cbsEllipsis;
    }
}

constexpr TDBGridOptions commonGridOptions = dgTitles | dgColumnResize | dgColLines | dgRowLines
    | dgTabs | dgAlwaysShowSelection | dgConfirmDelete | dgCancelOnExit;

} // namespace

TfrmDimensao::TfrmDimensao()
{
    setObjectName(QStringLiteral("frmDimensao"));
    buildWindow();
    buildRecordSets();
    buildGrids();
    buildConnections();
    buildImages();
    tabMembros = MembersTab::addSheet(pgcPadrao, cdsDados, cdsDadosCDTABELADIME, cdsDadosDSPKDIME,
                                      cdsDadosDSITEMDIME, cdsDadosDSPKDIME2);
    mnuMembros = new TMenuItem(this, QStringLiteral("mnuMembros"), QStringLiteral("Membros"));
    InsertOperationItem(2, mnuMembros); // after the other tabs' items
    msgPadrao->SetLines(dimensaoMessageLines());
    wireEvents();
}

TfrmDimensao::~TfrmDimensao() = default;

void TfrmDimensao::buildWindow()
{
    SetCaption(QStringLiteral("Dimensão"));
    SetBounds(168, 195, 662, 397); // designed at 96 pixels per inch
    lblCodTela->setText(QStringLiteral("KZR01200"));
    sbtImprimir->SetEnabled(false);
    mnuListagem->SetEnabled(false);
    mnuConfigImpressora->SetEnabled(false);

    tshPadrao->setWindowTitle(QStringLiteral("Dimensão"));
    pgcPadrao->setTabText(pgcPadrao->indexOf(tshPadrao), QStringLiteral("Dimensão"));
    lblPerfilDimensao = new ProfileLine(tshPadrao);
    tshPadrao->layout()->addWidget(lblPerfilDimensao);
    tshExtras = new TTabSheet(pgcPadrao, QStringLiteral("tshExtras"), QStringLiteral("Atributos Extras"));
    tshExtras->SetImageIndex(1);

    panDbgExtra = new QFrame(tshExtras);
    panDbgExtra->setObjectName(QStringLiteral("panDbgExtra"));
    panDbgExtra->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panDbgExtra->setLineWidth(1);
    panDbgExtra->setContentsMargins(2, 2, 2, 2);
    lblDimensaoExtras = new QLabel(tshExtras);
    lblDimensaoExtras->setObjectName(QStringLiteral("lblDimensaoExtras"));
    lblDimensaoExtras->setContentsMargins(6, 4, 6, 4);
    QFont headingFont = lblDimensaoExtras->font();
    headingFont.setBold(true);
    lblDimensaoExtras->setFont(headingFont);
    auto *sheetLayout = new QVBoxLayout(tshExtras);
    sheetLayout->setContentsMargins(0, 0, 0, 0);
    sheetLayout->setSpacing(0);
    sheetLayout->addWidget(lblDimensaoExtras);
    sheetLayout->addWidget(panDbgExtra);

    scbDbgExtra = new QScrollArea(panDbgExtra);
    scbDbgExtra->setObjectName(QStringLiteral("scbDbgExtra"));
    scbDbgExtra->setWidgetResizable(true);
    scbDbgExtra->setFrameShape(QFrame::NoFrame);
    auto *panelLayout = new QVBoxLayout(panDbgExtra);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(scbDbgExtra);

    mnuDimensao = new TMenuItem(this, QStringLiteral("mnuDimensao"), QStringLiteral("Dimensão"));
    mnuExtras = new TMenuItem(this, QStringLiteral("mnuExtras"), QStringLiteral("Atributos Extras"));
    InsertOperationItem(0, mnuDimensao);
    InsertOperationItem(1, mnuExtras);
    InsertOperationItem(2, nullptr); // N1
    mnuDesfazerMarcacao = new TMenuItem(this, QStringLiteral("mnuDesfazerMarcacao"),
                                        QStringLiteral("&Desfazer marcação de todas"));
    mnuDesfazerMarcacao->SetShortCut(QKeySequence(Qt::CTRL | Qt::Key_Z), this);
    mnuDesfazerMarcacao->SetEnabled(false);
    InsertOperationItem(8, mnuDesfazerMarcacao); // after Atualizar
    buildHistoryCommand();
}

void TfrmDimensao::buildRecordSets()
{
    cdsDados = new TClientDataSet(this, QStringLiteral("cdsDados"));
    declareFields(cdsDados, dadosFields);
    cdsVDDados = new TClientDataSet(this, QStringLiteral("cdsVDDados"));
    declareFields(cdsVDDados, vdDadosFields);
    cdsFields = new TClientDataSet(this, QStringLiteral("cdsFields"));
    declareFields(cdsFields, fieldsFields);
    cdsExtras = new TClientDataSet(this, QStringLiteral("cdsExtras"));
    declareFields(cdsExtras, extrasFields);
    cdsVdExtras = new TClientDataSet(this, QStringLiteral("cdsVdExtras"));

    cdsDadosIDDIMENSAODW = cdsDados->FieldByName(QStringLiteral("IDDIMENSAODW"));
    cdsDadosNRSEQUEDIME = cdsDados->FieldByName(QStringLiteral("NRSEQUEDIME"));
    cdsDadosNMITEMDIME = cdsDados->FieldByName(QStringLiteral("NMITEMDIME"));
    cdsDadosCDTABELADIME = cdsDados->FieldByName(QStringLiteral("CDTABELADIME"));
    cdsDadosDSPKDIME = cdsDados->FieldByName(QStringLiteral("DSPKDIME"));
    cdsDadosDSITEMDIME = cdsDados->FieldByName(QStringLiteral("DSITEMDIME"));
    cdsDadosDSPKDIME2 = cdsDados->FieldByName(QStringLiteral("DSPKDIME2"));
    cdsExtrasNRSEQUEDIME = cdsExtras->FieldByName(QStringLiteral("NRSEQUEDIME"));
    cdsExtrasCDATRIBEXTRDIME = cdsExtras->FieldByName(QStringLiteral("CDATRIBEXTRDIME"));
    cdsExtrasDSATRIBEXTRDIME = cdsExtras->FieldByName(QStringLiteral("DSATRIBEXTRDIME"));
    cdsFieldsCDFIELD = cdsFields->FieldByName(QStringLiteral("CDFIELD"));

    dtsPadrao->SetDataSet(cdsDados);
    dtsExtras = new TDataSource(this, QStringLiteral("dtsExtras"));
    dtsExtras->SetDataSet(cdsExtras);
    dtsFields = new TDataSource(this, QStringLiteral("dtsFields"));
    dtsFields->SetDataSet(cdsFields);
}

void TfrmDimensao::buildGrids()
{
    dbgPadrao->SetOptions(commonGridOptions);
    dbgPadrao->EmptyText = QStringLiteral("Nenhuma dimensão. Use Incluir (Insert) para criar a primeira.");
    dbgPadrao->SetDataSource(dtsPadrao);
    declareColumns(dbgPadrao, padraoColumns);
    TColumnTitle &mark = dbgPadrao->Columns(0)->Title;
    mark.Caption = QStringLiteral("4");   // a check mark in the symbol character set
    mark.SymbolCharset = true;
    mark.FontColor = clWhite;
    mark.FontHeight = -11;
    mark.FontName = QStringLiteral("MS Sans Serif");
    dbgPadrao->Columns(0)->ReadOnly = true; // a picture: clicked, never typed into
    SetNavigatorField(QStringLiteral("NMITEMDIME"));

    dbgExtras = new TDBGrid(scbDbgExtra, QStringLiteral("dbgExtras"));
    dbgExtras->setFrameShape(QFrame::NoFrame);
    dbgExtras->Color = clInfoBk;
    dbgExtras->SetOptions(dgEditing | commonGridOptions);
    dbgExtras->SetDataSource(dtsExtras);
    declareColumns(dbgExtras, extrasColumns);
    for (int i = 0; i < dbgExtras->ColumnCount(); ++i) {
        TColumnTitle &title = dbgExtras->Columns(i)->Title;
        title.FontName = QStringLiteral("MS Sans Serif");
        title.FontHeight = -11;
        title.FontColor = clWindowText;
    }
    scbDbgExtra->setWidget(dbgExtras);
}

void TfrmDimensao::buildConnections()
{
    netDimensao = new TNetConnection(this, QStringLiteral("netDimensao"));
    netDimensao->SetServerName(QStringLiteral("KZR01200.rdmDimensao"));
    netDimensao->SetHost(QStringLiteral("127.0.0.1"));
    netDimensao->SetThrowException(false);

    netValida = new TNetConnection(this, QStringLiteral("netValida"));
    netValida->SetServerName(QStringLiteral("KZR00600.rdmEstrutura"));
    netValida->SetHost(QStringLiteral("127.0.0.1"));
    netValida->SetThrowException(false);
}

void TfrmDimensao::buildImages()
{
    imgCheck = new TImage(panBotoes, QStringLiteral("imgCheck"));
    imgCheck->Bitmap() = TBitmap(checkedImage());
    imgUncheck = new TImage(panBotoes, QStringLiteral("imgUncheck"));
    imgUncheck->Bitmap() = TBitmap(uncheckedImage());
    // A dimension waiting to be deleted shows its flag as the same pictures, drawn by the grid.
    const auto clear = [](const QImage &image) {
        QPixmap picture = QPixmap::fromImage(image);
        picture.setMask(picture.createMaskFromColor(toQColor(clOlive)));
        return picture;
    };
    TColumn *flag = dbgPadrao->Columns(0);
    flag->Pictures = {{QStringLiteral("S"), clear(checkedImage())},
                      {QStringLiteral("N"), clear(uncheckedImage())},
                      {QString(), clear(uncheckedImage())}};
}

void TfrmDimensao::wireEvents()
{
    cdsDados->BeforePost = [this](TClientDataSet *ds) { cdsDadosBeforePost(ds); };
    cdsDados->AfterPost = [this](TClientDataSet *ds) { cdsDadosAfterPost(ds); };
    cdsDados->AfterDelete = [this](TClientDataSet *ds) { cdsDadosAfterPost(ds); };
    cdsDados->AfterScroll = [this](TClientDataSet *ds) { cdsDadosAfterScroll(ds); };

    for (TClientDataSet *ds : {cdsExtras, cdsVdExtras}) {
        ds->BeforePost = [this](TClientDataSet *d) { cdsExtrasBeforePost(d); };
        ds->AfterPost = [this](TClientDataSet *d) { cdsExtrasAfterPost(d); };
        ds->AfterDelete = [this](TClientDataSet *d) { cdsExtrasAfterPost(d); };
    }
    dtsExtras->OnStateChange = [this](QObject *sender) { dtsExtrasStateChange(sender); };
    dbgPadrao->OnCellClick = [this](TColumn *column) { dbgPadraoCellClick(column); };
    dbgPadrao->OnTitleClick = [this](TColumn *column) { dbgPadraoTitleClick(column); };
    dbgPadrao->OnColEnter = [this](QObject *sender) { dbgPadraoColEnter(sender); };
    dbgPadrao->OnEnter = [this](QObject *sender) { dbgPadraoColEnter(sender); };
    dbgPadrao->OnColExit = [this](QObject *sender) { dbgPadraoColExit(sender); };
    dbgPadrao->OnEditButtonClick = [this](QObject *sender) { dbgPadraoEditButtonClick(sender); };
    dbgPadrao->OnDrawColumnCell = [this](QObject *sender, const QRect &rect, int dataCol,
                                         TColumn *column, TGridDrawState state) {
        dbgPadraoDrawColumnCell(sender, rect, dataCol, column, state);
    };
    dbgExtras->OnColExit = [this](QObject *sender) { dbgExtrasColExit(sender); };
    dbgExtras->OnEditButtonClick = [this](QObject *sender) { dbgExtrasEditButtonClick(sender); };

    netDimensao->BeforeConnect = [this](TNetConnection *c) { netDimensaoBeforeConnect(c); };
    netValida->BeforeConnect = [this](TNetConnection *c) { netValidaBeforeConnect(c); };
    mnuDimensao->OnClick = [this](QObject *sender) { mnuDimensaoClick(sender); };
    mnuExtras->OnClick = [this](QObject *sender) { mnuExtrasClick(sender); };
    mnuMembros->OnClick = [this](QObject *sender) { mnuMembrosClick(sender); };
    mnuDesfazerMarcacao->OnClick = [this](QObject *sender) { mnuDesfazerMarcacaoClick(sender); };
    connect(cdsDados, &TClientDataSet::currentChanged, this, [this] { showDimensionOfExtras(); });
    connect(cdsDados, &TClientDataSet::rowChanged, this, [this] { showDimensionOfExtras(); });
    connect(cdsDados, &TClientDataSet::contentReset, this, [this] { showDimensionOfExtras(); });
    explainBulkToggle();
}
