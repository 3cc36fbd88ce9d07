#include "app/parameter_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <initializer_list>

#include "app/param_binding.h"
#include "app/qt_text.h"
#include "app/work_mode_pictures.h"
#include "params/form_texts.h"

namespace t418 {

namespace {

// Widths of the short fields, in pixels.
constexpr int kPortWidth = 70;
constexpr int kNumberWidth = 70;
constexpr int kCodeWidth = 90;
constexpr int kLongNumberWidth = 180;
constexpr int kScrollBoxMinimum = 24;

// Makes the widget of each control and ties it to the model.
class Maker {
 public:
  explicit Maker(ParamBinding& binding) : b_(binding) {}

  QLabel* Label(PlainControl& c) { return Bound<QLabel>(c); }
  QCheckBox* Check(CheckBox& c) { return Bound<QCheckBox>(c); }
  QRadioButton* Radio(RadioButton& c) { return Bound<QRadioButton>(c); }
  // maxWidth 0: as wide as the layout gives.
  QLineEdit* Field(Edit& c, int maxWidth = 0) {
    auto* w = new QLineEdit;
    if (maxWidth > 0) w->setMaximumWidth(maxWidth);
    b_.Bind(c, w);
    return w;
  }
  QLineEdit* Data(RegDataField& c) { return Bound<QLineEdit>(c); }
  // A labelled edit: the edit and its attached caption.
  std::pair<QLabel*, QLineEdit*> Labelled(LabeledEdit& c, int maxWidth = 0) {
    auto* label = new QLabel;
    auto* edit = new QLineEdit;
    if (maxWidth > 0) edit->setMaximumWidth(maxWidth);
    label->setBuddy(edit);
    b_.Bind(c, edit, label);
    return {label, edit};
  }
  // A wide list shrinks below its longest entry and grows with the layout; the
  // drop-down still shows whole entries.
  QComboBox* List(ChoiceList& c, bool wide = false) {
    auto* w = new QComboBox;
    w->setEditable(c.Editable());
    if (c.Editable()) w->setInsertPolicy(QComboBox::NoInsert);
    if (wide) {
      w->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
      w->setMinimumContentsLength(10);
      w->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
      // As wide as the longest entry in the language shown.
      w->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    }
    b_.Bind(c, w);
    return w;
  }
  QGroupBox* Group(PlainControl& c) { return Bound<QGroupBox>(c); }
  QWidget* Panel(PlainControl& c) { return Bound<QWidget>(c); }
  // A page holding one widget edge to edge.
  QWidget* Page(PlainControl& c, QWidget* content) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    b_.Bind(c, page);
    return page;
  }
  QStackedWidget* Pages(PageControl& c, std::initializer_list<QWidget*> pages) {
    auto* w = new QStackedWidget;
    for (QWidget* page : pages) w->addWidget(page);
    b_.Bind(c, w);
    return w;
  }
  // A scroll box around finished content; the wheel scrolls it one line.
  QScrollArea* ScrollBox(PlainControl* c, QWidget* content) {
    auto* w = new QScrollArea;
    w->setWidgetResizable(true);
    w->setFrameShape(QFrame::NoFrame);
    // A panel may be dragged small: the box then shows a line or two.
    w->setMinimumHeight(kScrollBoxMinimum);
    w->setWidget(content);
    if (c) b_.Bind(*c, w);
    b_.WheelScrollsOneLine(w);
    return w;
  }

 private:
  // A new widget of the given type, bound to the control.
  template <typename W>
  W* Bound(Control& c) {
    auto* w = new W;
    b_.Bind(c, w);
    return w;
  }

  ParamBinding& b_;
};

QGridLayout* GridOf(QWidget* owner) {
  auto* grid = new QGridLayout(owner);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  return grid;
}

QHBoxLayout* RowOf(std::initializer_list<QWidget*> widgets, bool stretchAtEnd = true) {
  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  for (QWidget* w : widgets) row->addWidget(w);
  if (stretchAtEnd) row->addStretch(1);
  return row;
}

// The two rows of a GNSS server in a grid from `row` on: address and port,
// then the link kind with the time-out at the right.
struct ServerRows {
  PlainControl& addressLabel;
  Edit& address;
  Edit& port;
  PlainControl& linkLabel;
  ChoiceList& link;
  PlainControl& timeoutLabel;
  Edit& timeout;
};

void AddServerRows(Maker& m, QGridLayout* grid, int row, const ServerRows& s) {
  grid->addWidget(m.Label(s.addressLabel), row, 0);
  auto* address = RowOf({}, false);
  address->addWidget(m.Field(s.address), 1);
  address->addWidget(m.Field(s.port, kPortWidth));
  grid->addLayout(address, row, 1);
  grid->addWidget(m.Label(s.linkLabel), row + 1, 0);
  auto* link = RowOf({m.List(s.link)}, false);
  link->addStretch(1);
  link->addWidget(m.Label(s.timeoutLabel));
  link->addWidget(m.Field(s.timeout, kNumberWidth));
  grid->addLayout(link, row + 1, 1);
}

// Content that stands at the top of its scroll box.
QWidget* TopAligned(QLayout* layout) {
  auto* content = new QWidget;
  auto* outer = new QVBoxLayout(content);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addLayout(layout);
  outer->addStretch(1);
  return content;
}

}  // namespace

struct ParameterView::SocketControls {
  PlainControl& group;
  ChoiceList& protocol;
  PlainControl& addressLabel;
  Edit& address;
  Edit& port;
  PlainControl& kindLabel;
  ChoiceList& kind;
  PlainControl& timeoutLabel;
  Edit& timeout;
};

ParameterView::ParameterView(const ParameterViewParts& parts, QWidget* parent)
    : QWidget(parent),
      form_(parts.form),
      texts_(parts.texts),
      rules_(parts.rules),
      regions_(parts.regions),
      binding_(std::make_unique<ParamBinding>(form_, rules_, regions_, &texts_)) {
  setObjectName("ParameterView");

  splitter_ = new PanelSplitter(Qt::Vertical, this);
  splitter_->setObjectName("splParams");
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(BuildWorkModeArea());
  splitter_->addWidget(BuildGnssPanel());
  splitter_->addWidget(BuildBasePanel());
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 0);
  splitter_->setStretchFactor(2, 0);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter_);

  binding_->BindPanels(splitter_, form_.RzSizePanel1, form_.rzszpnlBase);
  binding_->MeasureHeight(form_.pnlL, this);
  binding_->MeasureHeight(form_.rzgrpbxWkmod, WidgetOf("rzgrpbxWkmod"));
  binding_->OnDoubleClick(WidgetOf("rzgrpbxPara"));
  binding_->OnDoubleClick(WidgetOf("rzgrpbxGNSS"));
  binding_->SyncAll();
}

ParameterView::~ParameterView() {
  // The binding leaves the form before the widgets it watches go.
  binding_.reset();
}

void ParameterView::ApplyTexts(const std::function<void()>& applyHdVerSign) {
  ApplyParameterViewTexts(form_, rules_, texts_, applyHdVerSign);
}

QWidget* ParameterView::WidgetOf(std::string_view name) const { return binding_->WidgetOf(name); }

// ---- Work mode and its parameter pages ----

QWidget* ParameterView::BuildWorkModeArea() {
  Maker m(*binding_);
  ParamForm& f = form_;

  QGroupBox* modes = m.Group(f.rzgrpbxWkmod);
  auto* modesLayout = new QVBoxLayout(modes);
  modesLayout->setContentsMargins(6, 2, 6, 2);
  modesLayout->setSpacing(2);
  auto* picture = new QLabel;
  picture->setFixedSize(kWorkModePictureSize);
  binding_->Bind(f.imgWkMod, picture);
  modesLayout->addWidget(picture, 0, Qt::AlignLeft);
  modesLayout->addLayout(RowOf({m.Radio(f.rbNetTran), m.Radio(f.rbHttpd), m.Radio(f.rbSmsTran), m.Radio(f.rbUdc)}));

  QGroupBox* para = m.Group(f.rzgrpbxPara);
  auto* paraLayout = new QVBoxLayout(para);
  paraLayout->setContentsMargins(2, 2, 2, 2);
  paraLayout->addWidget(m.Pages(f.rzpgcntrlPara, {m.Page(f.rztbshtNetTran, BuildNetTranPage()),
                                                  m.Page(f.rztbshtHttpd, BuildHttpdPage()),
                                                  m.Page(f.rztbshtSmsTran, BuildSmsPage())}));

  QWidget* area = m.Panel(f.pnlWkmod);
  auto* layout = new QVBoxLayout(area);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(modes);
  layout->addWidget(para, 1);
  return area;
}

QGroupBox* ParameterView::BuildSocketGroup(const SocketControls& s) {
  Maker m(*binding_);
  QGroupBox* group = m.Group(s.group);
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(6, 4, 6, 4);
  layout->setSpacing(4);
  auto* first = RowOf({m.List(s.protocol), m.Label(s.addressLabel)}, false);
  first->addWidget(m.Field(s.address), 1);
  first->addWidget(m.Field(s.port, kPortWidth));
  layout->addLayout(first);
  auto* second = RowOf({m.Label(s.kindLabel), m.List(s.kind)}, false);
  second->addStretch(1);
  second->addWidget(m.Label(s.timeoutLabel));
  second->addWidget(m.Field(s.timeout, kNumberWidth));
  layout->addLayout(second);
  return group;
}

QGroupBox* ParameterView::BuildHeartbeatGroup() {
  Maker m(*binding_);
  ParamForm& f = form_;
  QGroupBox* group = m.Group(f.rzgrpbxHeart);
  QGridLayout* grid = GridOf(group);
  grid->addWidget(m.Label(f.lblHeartTm), 0, 0);
  grid->addLayout(RowOf({m.Field(f.edtHeartTm, kNumberWidth)}), 0, 1);
  grid->addWidget(m.Label(f.lblHeartDt), 1, 0);
  auto* data = RowOf({}, false);
  data->addWidget(m.Field(f.edtHeartDt), 1);
  data->addWidget(m.Check(f.rzchckbxHeartDtHex));
  grid->addLayout(data, 1, 1);
  grid->addWidget(m.Label(f.lblHeartSnd), 2, 0);
  grid->addWidget(m.List(f.cbbHeartSnd, true), 2, 1);
  grid->setColumnStretch(1, 1);
  return group;
}

QGroupBox* ParameterView::BuildRegistrationGroup() {
  Maker m(*binding_);
  ParamForm& f = form_;
  QGroupBox* group = m.Group(f.rzgrpbxReg);
  QGridLayout* grid = GridOf(group);
  grid->addWidget(m.Label(f.lblRegSnd), 0, 0);
  grid->addWidget(m.List(f.cbbRegSnd, true), 0, 1);
  grid->addWidget(m.Label(f.lblRegTp), 1, 0);
  grid->addWidget(m.List(f.cbbRegTp, true), 1, 1);
  // The UDC identity takes the place of the registration data; one of the two is shown.
  grid->addLayout(RowOf({m.Label(f.lblRegDt), m.Label(f.lblUdcId)}), 2, 0);
  auto* data = RowOf({}, false);
  data->addWidget(m.Data(f.cbbRegDt), 1);
  data->addWidget(m.Field(f.edtUdcId), 1);
  data->addWidget(m.Field(f.edtCloudPa, kCodeWidth));
  data->addWidget(m.Check(f.rzchckbxRegDtHex));
  grid->addLayout(data, 2, 1);
  grid->setColumnStretch(1, 1);
  return group;
}

QWidget* ParameterView::BuildNetTranPage() {
  Maker m(*binding_);
  ParamForm& f = form_;
  auto* grid = new QGridLayout;
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setVerticalSpacing(4);
  grid->setColumnStretch(1, 1);
  int row = 0;
  // Each enable box stands left of the group it shows.
  const auto add = [&](QWidget* box, QWidget* group) {
    grid->addWidget(box, row, 0, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(group, row, 1);
    ++row;
  };
  add(m.Check(f.rzchckbxSktA), BuildSocketGroup({f.rzgrpbxSktA, f.cbbProtocolA, f.lblIpAndPortA, f.edtAddrA,
                                                 f.edtPortA, f.lblLinkTpyeA, f.cbbASL, f.lblSockATo, f.edtSockATo}));
  add(m.Check(f.rzchckbxSktB), BuildSocketGroup({f.rzgrpbxSktB, f.cbbProtocolB, f.lblIpAndPortB, f.edtAddrB,
                                                 f.edtPortB, f.lblLinkTpyeB, f.cbbBSL, f.lblSockBTo, f.edtSockBTo}));
  // Sockets C and D have no box of their own on screen; their groups appear
  // where the heartbeat and registration groups are when a report enables them.
  add(m.Check(f.rzchckbxSktC), BuildSocketGroup({f.rzgrpbxSktC, f.cbbProtocolC, f.lblIpAndPortC, f.edtAddrC,
                                                 f.edtPortC, f.lblLinkTpyeC, f.cbbCSL, f.lblSockCTo, f.edtSockCTo}));
  add(m.Check(f.rzchckbxHeartEn), BuildHeartbeatGroup());
  add(m.Check(f.rzchckbxSktD), BuildSocketGroup({f.rzgrpbxSktD, f.cbbProtocolD, f.lblIpAndPortD, f.edtAddrD,
                                                 f.edtPortD, f.lblLinkTpyeD, f.cbbDSL, f.lblSockDTo, f.edtSockDTo}));
  add(m.Check(f.rzchckbxRegEn), BuildRegistrationGroup());

  QGroupBox* other = m.Group(f.rzgrpbxOther1);
  auto [label, edit] = m.Labelled(f.lbledtSockRsTim, kNumberWidth);
  auto* otherLayout = new QHBoxLayout(other);
  otherLayout->setContentsMargins(6, 4, 6, 4);
  otherLayout->addWidget(m.Check(f.rzchckbxSOCKIND));
  otherLayout->addWidget(label);
  otherLayout->addWidget(edit);
  otherLayout->addStretch(1);
  grid->addWidget(other, row, 1);

  return m.ScrollBox(&f.advscrlbxPara, TopAligned(grid));
}

QWidget* ParameterView::BuildHttpdPage() {
  Maker m(*binding_);
  ParamForm& f = form_;
  auto* grid = new QGridLayout;
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(4);
  int row = 0;
  const auto add = [&](PlainControl& label, QWidget* field) {
    grid->addWidget(m.Label(label), row, 0);
    grid->addWidget(field, row, 1);
    ++row;
  };
  auto* type = RowOf({m.List(f.cbbHTPTP)});
  auto* typeBox = new QWidget;
  typeBox->setLayout(type);
  add(f.lblHTPTP, typeBox);
  add(f.lblHTPURL, m.Field(f.edtHTPURL));
  add(f.lblHTPSVIP, m.Field(f.edtHTPSVIP));
  add(f.lblHTPSVPort, m.Field(f.edtHTPSVPort, kPortWidth));
  add(f.lblHTPHD, m.Field(f.edtHTPHD));
  add(f.lblHtpTo, m.Field(f.edtHtpTo, kNumberWidth));
  grid->addWidget(m.Check(f.rzchckbxHtpFlt), row, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  return m.ScrollBox(nullptr, TopAligned(grid));
}

QWidget* ParameterView::BuildSmsPage() {
  Maker m(*binding_);
  ParamForm& f = form_;
  auto* grid = new QGridLayout;
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(4);
  grid->addWidget(m.Label(f.lblDSTNUM), 0, 0);
  grid->addWidget(m.Field(f.edtDSTNUM), 0, 1);
  grid->addWidget(m.Check(f.rzchckbxSMSFLT), 1, 0, 1, 2);
  grid->addWidget(m.Check(f.rzchckbxSMSPH), 2, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  return m.ScrollBox(nullptr, TopAligned(grid));
}

// ---- GNSS ----

QWidget* ParameterView::BuildGnssPanel() {
  Maker m(*binding_);
  ParamForm& f = form_;

  QGroupBox* services = m.Group(f.rzgrpbxGNSSen);
  services->setFlat(true);
  auto* servicesLayout = RowOf({m.Radio(f.rbZavCloud), m.Radio(f.rbPrivateCloud), m.Radio(f.rbQianXun)}, false);
  servicesLayout->setContentsMargins(4, 0, 4, 0);
  services->setLayout(servicesLayout);

  QWidget* strip = m.Panel(f.RzPanel1);
  auto* stripLayout = RowOf({m.Check(f.rzchckbxGNSSen), services});
  stripLayout->setContentsMargins(6, 0, 6, 0);
  strip->setLayout(stripLayout);

  QGroupBox* group = m.Group(f.rzgrpbxGNSS);
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);
  layout->addWidget(strip);
  layout->addWidget(m.Pages(f.RzPageControlGNSS, {m.Page(f.TabSheet1, BuildCloudPage()),
                                                  m.Page(f.TabSheet2, BuildPrivateCloudPage()),
                                                  m.Page(f.TabSheet4, BuildQianXunPage())}),
                    1);

  QWidget* panel = m.Panel(f.RzSizePanel1);
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  panelLayout->addWidget(group);
  return panel;
}

QWidget* ParameterView::BuildCloudPage() {
  Maker m(*binding_);
  ParamForm& f = form_;
  auto* grid = new QGridLayout;
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(4);
  grid->addWidget(m.Label(f.lbldevid), 0, 0);
  grid->addWidget(m.Field(f.edtdevid, kLongNumberWidth), 0, 1);
  grid->addWidget(m.Label(f.lblpwd), 0, 2);
  grid->addWidget(m.Field(f.edtpwd, kCodeWidth), 0, 3);
  grid->addWidget(m.Label(f.lblMODBUSID1), 1, 0);
  grid->addWidget(m.Field(f.edtMODBUSID1, kNumberWidth), 1, 1);
  grid->addWidget(m.Label(f.lblMODBUSAddr1), 1, 2);
  grid->addWidget(m.Field(f.edtMODBUSAddr1, kNumberWidth), 1, 3);
  grid->addWidget(m.Label(f.lblreportinternal), 2, 0);
  grid->addWidget(m.Field(f.edtreportinternal, kNumberWidth), 2, 1);
  grid->setColumnStretch(4, 1);
  return m.ScrollBox(&f.advscrlbxGNSS1, TopAligned(grid));
}

QWidget* ParameterView::BuildPrivateCloudPage() {
  Maker m(*binding_);
  ParamForm& f = form_;

  // Shared sockets.
  auto* shared = new QWidget;
  QGridLayout* sharedGrid = GridOf(shared);
  sharedGrid->setContentsMargins(0, 0, 0, 0);
  sharedGrid->addWidget(m.Label(f.lblGBYSOCKTA), 0, 0);
  sharedGrid->addWidget(m.List(f.cbbBYsocketA), 0, 1);
  sharedGrid->addWidget(m.Label(f.lblGBYSOCKTB), 0, 2);
  sharedGrid->addWidget(m.List(f.cbbBYsocketB), 0, 3);
  sharedGrid->addWidget(m.Label(f.lblGPOSSND), 1, 0);
  sharedGrid->addWidget(m.List(f.cbbGPOSSND, true), 1, 1, 1, 4);
  sharedGrid->setColumnStretch(4, 1);
  QWidget* sharedPage = m.Page(f.TabSheet5, shared);

  // An own server.
  auto* own = new QWidget;
  QGridLayout* ownGrid = GridOf(own);
  ownGrid->setContentsMargins(0, 0, 0, 0);
  AddServerRows(m, ownGrid, 0,
                {f.lblSockgAddr, f.edtSockgAddr, f.edtSockgPort, f.RzLabelSOCKG, f.RzComboBoxSOCKG, f.lblSOCKGTO,
                 f.edtSOCKGTO});
  ownGrid->addWidget(m.Check(f.rzchckbxGREGTP), 2, 0, Qt::AlignTop);
  QGroupBox* registration = m.Group(f.rzgrpbxGREGTP);
  QGridLayout* regGrid = GridOf(registration);
  regGrid->addWidget(m.Label(f.lblGREGTYPE), 0, 0);
  regGrid->addWidget(m.List(f.cbbGREGTYPE, true), 0, 1);
  regGrid->addWidget(m.Label(f.lblGREGTP), 1, 0);
  regGrid->addLayout(RowOf({m.List(f.cbbGREGTP)}), 1, 1);
  regGrid->addWidget(m.Label(f.lblGREGDT), 2, 0);
  auto* data = RowOf({}, false);
  data->addWidget(m.Data(f.cbbGREGDT), 1);
  data->addWidget(m.Check(f.rzchckbxGREGDThex));
  regGrid->addLayout(data, 2, 1);
  regGrid->setColumnStretch(1, 1);
  ownGrid->addWidget(registration, 2, 1);
  ownGrid->setColumnStretch(1, 1);
  QWidget* ownPage = m.Page(f.TabSheet6, own);

  // Below both pages: the position packet.
  auto* position = new QGridLayout;
  position->setContentsMargins(0, 0, 0, 0);
  position->setVerticalSpacing(4);
  position->addWidget(m.Label(f.lblGHEARTTP2), 0, 0);
  position->addWidget(m.List(f.cbbGHEARTTP2), 0, 1);
  position->addWidget(m.Label(f.lblGPOSUPTM), 0, 2);
  position->addWidget(m.Field(f.edtGPOSUPTM, kNumberWidth), 0, 3);
  position->addWidget(m.Label(f.lblMODBUSID2), 1, 0);
  position->addWidget(m.Field(f.edtMODBUSID2, kNumberWidth), 1, 1);
  position->addWidget(m.Label(f.lblMODBUSAddr2), 1, 2);
  position->addWidget(m.Field(f.edtMODBUSAddr2, kNumberWidth), 1, 3);
  position->setHorizontalSpacing(6);
  position->setColumnStretch(4, 1);

  auto* layout = new QVBoxLayout;
  layout->setContentsMargins(6, 4, 6, 4);
  layout->setSpacing(4);
  layout->addLayout(RowOf({m.Radio(f.rbMULT), m.Radio(f.rbINDE)}));
  layout->addWidget(m.Pages(f.rzpgcntrlGWKMOD, {sharedPage, ownPage}));
  layout->addLayout(position);
  return m.ScrollBox(&f.advscrlbxGNSS2, TopAligned(layout));
}

QWidget* ParameterView::BuildQianXunPage() {
  Maker m(*binding_);
  ParamForm& f = form_;
  auto* layout = new QVBoxLayout;
  layout->setContentsMargins(6, 4, 6, 4);
  layout->setSpacing(4);

  auto* server = new QGridLayout;
  server->setVerticalSpacing(4);
  server->addWidget(m.Label(f.lblJT808), 0, 0, 1, 2);
  AddServerRows(m, server, 1,
                {f.lblSOCKQ, f.edtSOCKQAddr, f.edtSOCKQport, f.lblprotocol, f.cbbprotocol, f.lblSOCKQTO,
                 f.edtSOCKQTO});
  server->setColumnStretch(1, 1);
  layout->addLayout(server);

  layout->addWidget(m.Label(f.lblPosReport));
  auto* report = new QGridLayout;
  report->setVerticalSpacing(4);
  report->addWidget(m.Check(f.rzchckbxQLBSADDEN), 0, 0, 1, 2);
  report->addWidget(m.Check(f.rzchckbxQPOSPACK), 0, 2, 1, 2);
  report->addWidget(m.Label(f.lblQPOSUPTM), 1, 0);
  report->addWidget(m.Field(f.edtQPOSUPTM, kNumberWidth), 1, 1);
  report->addWidget(m.Label(f.lblQphone), 1, 2);
  report->addWidget(m.Field(f.edtQphone), 1, 3);
  report->addWidget(m.Check(f.rzchckbxQHEARTEN), 2, 0, Qt::AlignTop);
  QGroupBox* heart = m.Group(f.rzgrpbxQHeartTM);
  auto* heartLayout = RowOf({m.Label(f.lblQHEARTTM), m.Field(f.edtQHEARTTM, kNumberWidth)});
  heartLayout->setContentsMargins(6, 2, 6, 2);
  heart->setLayout(heartLayout);
  report->addWidget(heart, 2, 1, 1, 3);
  report->setColumnStretch(1, 1);
  report->setColumnStretch(3, 1);
  layout->addLayout(report);

  // The vehicle terminal (JT808) fields.
  layout->addWidget(m.Check(f.rzchckbxGNSSMore));
  QGroupBox* more = m.Group(f.rzgrpbxGNSSmore);
  QGridLayout* grid = GridOf(more);
  int row = 0;
  grid->addWidget(m.Label(f.lblProvince), row, 0);
  grid->addWidget(m.List(f.cbbProvince, true), row, 1);
  grid->addWidget(m.Label(f.lblcity), row, 2);
  grid->addWidget(m.List(f.cbbcity, true), row, 3);
  ++row;
  grid->addWidget(m.Label(f.lblCounty), row, 0);
  grid->addWidget(m.List(f.cbbCounty, true), row, 1);
  grid->addWidget(m.Field(f.edtQCITY, kCodeWidth), row, 3, Qt::AlignLeft);
  ++row;
  grid->addWidget(m.Label(f.lblQPRODUCER), row, 0);
  grid->addWidget(m.Field(f.edtQPRODUCER, kCodeWidth), row, 1);
  grid->addWidget(m.Label(f.lblTerminalid), row, 2);
  grid->addWidget(m.Field(f.edtTerminalID, kCodeWidth), row, 3);
  ++row;
  grid->addWidget(m.Label(f.lblTerminalmode), row, 0);
  grid->addWidget(m.Field(f.edtTerminalmode), row, 1, 1, 3);
  ++row;
  grid->addWidget(m.Label(f.lblTerminaltype), row, 0, Qt::AlignTop);
  auto* types = new QGridLayout;
  types->setContentsMargins(0, 0, 0, 0);
  types->setVerticalSpacing(4);
  ChoiceList* typeLists[] = {&f.cbbtype0, &f.cbbtype1, &f.cbbtype2, &f.cbbtype3, &f.cbbtype6, &f.cbbtype7};
  for (int i = 0; i < 6; ++i) types->addWidget(m.List(*typeLists[i], true), i / 2, i % 2);
  grid->addLayout(types, row, 1, 1, 3);
  ++row;
  grid->addWidget(m.Label(f.lblCarcolor), row, 0);
  grid->addWidget(m.List(f.cbbCarcolor), row, 1, Qt::AlignLeft);
  grid->addWidget(m.Label(f.lblCarNum), row, 2);
  grid->addWidget(m.Field(f.edtCarNum), row, 3);
  ++row;
  grid->addWidget(m.Label(f.lblHWver), row, 0);
  grid->addWidget(m.Field(f.edtlHWver), row, 1);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  layout->addWidget(more);

  return m.ScrollBox(&f.advscrlbxGNSS4, TopAligned(layout));
}

// ---- Global parameters ----

QWidget* ParameterView::BuildBasePanel() {
  Maker m(*binding_);
  ParamForm& f = form_;
  auto* layout = new QVBoxLayout;
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setSpacing(4);

  QGroupBox* uart = m.Group(f.rzgrpbxUart);
  QGridLayout* uartGrid = GridOf(uart);
  uartGrid->addWidget(m.Label(f.lblUart), 0, 0, 1, 4);
  uartGrid->addWidget(m.Label(f.lblBaud), 1, 0);
  auto* serialPicture = new QLabel;
  binding_->Bind(f.imgCKZD, serialPicture);
  uartGrid->addLayout(RowOf({m.List(f.cbbBaud), serialPicture}), 1, 1);
  uartGrid->addWidget(m.Label(f.lblPDS), 1, 2);
  uartGrid->addLayout(RowOf({m.List(f.cbbP), m.List(f.cbbD), m.List(f.cbbS), m.Label(f.lblFlow), m.List(f.cbbFlow)}),
                      1, 3);
  uartGrid->addWidget(m.Label(f.lblUARTFT), 2, 0);
  uartGrid->addWidget(m.Field(f.edtUARTFT, kNumberWidth), 2, 1);
  uartGrid->addWidget(m.Label(f.lblUARTFL), 2, 2);
  uartGrid->addWidget(m.Field(f.edtUARTFL, kNumberWidth), 2, 3);
  uartGrid->setColumnStretch(4, 1);
  layout->addWidget(uart);

  layout->addWidget(m.Check(f.rzchckbxMore));
  QGroupBox* more = m.Group(f.rzgrpbxMore);
  QGridLayout* moreGrid = GridOf(more);
  moreGrid->addWidget(m.Check(f.rzchckbxRFC), 0, 0, 1, 2);
  moreGrid->addWidget(m.Check(f.rzchckbxE), 0, 2, 1, 2);
  auto [cmdPwLabel, cmdPw] = m.Labelled(f.lbledtCmdPw);
  auto [stMsgLabel, stMsg] = m.Labelled(f.lbledtStMsg);
  auto [apnLabel, apn] = m.Labelled(f.lbledtApn);
  auto [rsTimLabel, rsTim] = m.Labelled(f.lbledtRsTim, kNumberWidth);
  moreGrid->addWidget(cmdPwLabel, 1, 0);
  moreGrid->addWidget(cmdPw, 1, 1);
  moreGrid->addWidget(stMsgLabel, 1, 2);
  moreGrid->addWidget(stMsg, 1, 3);
  moreGrid->addWidget(apnLabel, 2, 0);
  moreGrid->addWidget(apn, 2, 1);
  moreGrid->addWidget(rsTimLabel, 2, 2);
  moreGrid->addWidget(rsTim, 2, 3);
  moreGrid->setColumnStretch(1, 1);
  moreGrid->setColumnStretch(3, 1);
  layout->addWidget(more);

  QGroupBox* group = m.Group(f.rzgrpbxBase);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->setContentsMargins(2, 2, 2, 2);
  groupLayout->addWidget(m.ScrollBox(&f.advscrlbxBase, TopAligned(layout)));

  QWidget* panel = m.Panel(f.rzszpnlBase);
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  panelLayout->addWidget(group);
  return panel;
}

}  // namespace t418
