#pragma once
// Barcode objects: one-dimensional codes (TfrxBarCodeView) and two-dimensional codes
// (TfrxBarcode2DView, with the two QR classes older layouts name). The value to encode comes from
// Expression when it is set, else from the bound field, else from Text with its bracketed
// expressions expanded; the build writes it into Text, so prepared pages carry the value itself.
// Symbols are encoded by libzint (frxBarcodeSymbol) and drawn as rectangles on the device.
//
// BarType is kept as the name the file gives: a name this program does not know stays in the
// layout and draws as an empty box saying so, instead of silently becoming another code.

#include "report/model/frxViews.h"

#include <QStringList>
#include <QTransform>

// What both kinds of barcode share; the subclasses publish the properties in their file order.
class TfrxBarcodeBase : public TfrxView {
    Q_OBJECT
public:
    explicit TfrxBarcodeBase(TComponent *owner = nullptr);
    ~TfrxBarcodeBase() override;

    QString BarType() const { return m_barType; }
    void SetBarType(const QString &value) { m_barType = value; }
    QString Expression() const { return m_expression; }
    void SetExpression(const QString &value) { m_expression = value; }
    QString Text() const { return m_text; }
    void SetText(const QString &value) { m_text = value; }
    int Rotation() const { return m_rotation; }
    // Kept as given (modulo 360); drawing turns by the nearest quarter turn.
    void SetRotation(int value) { m_rotation = value % 360; }
    bool ShowText() const { return m_showText; }
    void SetShowText(bool value) { m_showText = value; }
    double Zoom() const { return m_zoom; }
    void SetZoom(double value) { m_zoom = value; }

    // The quarter turn the symbol is drawn with: 0, 90, 180 or 270.
    int QuarterRotation() const;

    // The data step: the value from Expression, the bound field or Text, written into Text.
    void ComputeData() override;
    void DesignCreate(int flags) override;
    QString GetComponentText() const override { return m_text; }

protected:
    // Draws the symbol's message into the box instead of a symbol: the value cannot be encoded.
    void DrawMessage(TfrxCanvas &canvas, const QString &message);
    // Draws text (the human-readable line) into a strip of the unrotated symbol frame, turned
    // with the symbol. The strips are given at scale 1 (report pixels) and on the device.
    void DrawCaption(TfrxCanvas &canvas, const QString &text, const QRect &unscaled, const QRect &scaled);
    // The height (report pixels) one line of the object's font takes.
    double CaptionHeight();
    // Maps a rectangle of the unrotated symbol frame (origin at the box's top-left, width along
    // the bars' run) onto the device box, for the quarter turn.
    QRect MapToDevice(const QRect &local, const QRect &box) const;
    QRect MapToDevice(const QRect &local) const;
    // The same as a transform of the unrotated frame onto the device box.
    QTransform LocalToDevice() const;

private:
    QString m_barType;
    QString m_expression;
    QString m_text;
    double m_zoom = 1;
    int m_rotation = 0;
    bool m_showText = true;
};

class TfrxBarCodeView : public TfrxBarcodeBase {
    Q_OBJECT
    Q_PROPERTY(QString BarType READ BarType WRITE SetBarType)
    Q_PROPERTY(frx::TBrushStyle BrushStyle READ BrushStyle WRITE SetBrushStyle)
    Q_PROPERTY(bool CalcCheckSum READ CalcCheckSum WRITE SetCalcCheckSum)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TfrxDataSet *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(QString Expression READ Expression WRITE SetExpression)
    Q_PROPERTY(TFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(TfrxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(int Rotation READ Rotation WRITE SetRotation)
    Q_PROPERTY(bool ShowText READ ShowText WRITE SetShowText)
    Q_PROPERTY(QString TagStr READ TagStr WRITE SetTagStr)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(QString URL READ URL WRITE SetURL)
    Q_PROPERTY(double WideBarRatio READ WideBarRatio WRITE SetWideBarRatio)
    Q_PROPERTY(double Zoom READ Zoom WRITE SetZoom)
    Q_CLASSINFO("Type.BarType", "TfrxBarcodeType")
    Q_CLASSINFO("Default.BrushStyle", "bsSolid")
    Q_CLASSINFO("Default.CalcCheckSum", "False")
    Q_CLASSINFO("Type.Color", "TColor")
    Q_CLASSINFO("Default.Color", "16777215")
    Q_CLASSINFO("Type.Cursor", "TCursor")
    Q_CLASSINFO("Default.Cursor", "0")
    Q_CLASSINFO("Stored.Font", "IsFontStored")
    Q_CLASSINFO("Default.ParentFont", "True")
    Q_CLASSINFO("Default.Rotation", "0")
    Q_CLASSINFO("Default.ShowText", "True")
public:
    explicit TfrxBarCodeView(TComponent *owner = nullptr);

    bool CalcCheckSum() const { return m_calcCheckSum; }
    void SetCalcCheckSum(bool value) { m_calcCheckSum = value; }
    double WideBarRatio() const { return m_wideBarRatio; }
    void SetWideBarRatio(double value) { m_wideBarRatio = value; }

    // The BarType names this object draws, in the order a designer lists them.
    static QStringList BarTypeNames();

    void Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

private:
    double m_wideBarRatio = 2;
    bool m_calcCheckSum = false;
};

// Options of a two-dimensional symbol (the BarProperties of the layout).
class TfrxBarcode2DProperties : public TPersistent {
    Q_GADGET
    Q_PROPERTY(TfrxBarcode2DProperties::TEncoding Encoding READ Encoding WRITE SetEncoding)
    Q_PROPERTY(TfrxBarcode2DProperties::TErrorLevel ErrorLevels READ ErrorLevels WRITE SetErrorLevels)
    Q_PROPERTY(int PixelSize READ PixelSize WRITE SetPixelSize)
    Q_PROPERTY(int QuietZone READ QuietZone WRITE SetQuietZone)
    Q_CLASSINFO("Default.Encoding", "qrAuto")
    Q_CLASSINFO("Default.ErrorLevels", "ecLevelL")
    Q_CLASSINFO("Default.PixelSize", "4")
    Q_CLASSINFO("Default.QuietZone", "0")
public:
    // How the text becomes bytes: automatically (UTF-8 for anything beyond Latin-1 and digits),
    // digits only, the upper-case alphanumeric set, Latin-1, or UTF-8 with or without the mark
    // some readers want in front.
    enum TEncoding { qrAuto, qrNumeric, qrAlphanumeric, qrISO88591, qrUTF8NoBOM, qrUTF8BOM };
    Q_ENUM(TEncoding)
    enum TErrorLevel { ecLevelL, ecLevelM, ecLevelQ, ecLevelH };
    Q_ENUM(TErrorLevel)

    TfrxBarcode2DProperties() = default;
    TfrxBarcode2DProperties(const TfrxBarcode2DProperties &) = delete;
    TfrxBarcode2DProperties &operator=(const TfrxBarcode2DProperties &) = delete;
    const QMetaObject *MetaObject() const override { return &staticMetaObject; }

    TEncoding Encoding() const { return m_encoding; }
    void SetEncoding(TEncoding value) { m_encoding = value; }
    TErrorLevel ErrorLevels() const { return m_errorLevels; }
    void SetErrorLevels(TErrorLevel value) { m_errorLevels = value; }
    // Size of one module in report pixels at zoom 1.
    int PixelSize() const { return m_pixelSize; }
    void SetPixelSize(int value) { m_pixelSize = value; }
    // Blank modules kept around the symbol inside the box.
    int QuietZone() const { return m_quietZone; }
    void SetQuietZone(int value) { m_quietZone = value; }
    void Assign(const TfrxBarcode2DProperties &source);

private:
    TEncoding m_encoding = qrAuto;
    TErrorLevel m_errorLevels = ecLevelL;
    int m_pixelSize = 4;
    int m_quietZone = 0;
};

class TfrxBarcode2DView : public TfrxBarcodeBase {
    Q_OBJECT
    Q_PROPERTY(QString BarType READ BarType WRITE SetBarType)
    Q_PROPERTY(TfrxBarcode2DProperties *BarProperties READ BarProperties WRITE SetBarProperties)
    Q_PROPERTY(frx::TBrushStyle BrushStyle READ BrushStyle WRITE SetBrushStyle)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TfrxDataSet *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(QString Expression READ Expression WRITE SetExpression)
    Q_PROPERTY(TFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(TfrxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(int Rotation READ Rotation WRITE SetRotation)
    Q_PROPERTY(bool ShowText READ ShowText WRITE SetShowText)
    Q_PROPERTY(QString TagStr READ TagStr WRITE SetTagStr)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(QString URL READ URL WRITE SetURL)
    Q_PROPERTY(double Zoom READ Zoom WRITE SetZoom)
    Q_CLASSINFO("Type.BarType", "TfrxBarcode2DType")
    Q_CLASSINFO("Default.BrushStyle", "bsSolid")
    Q_CLASSINFO("Type.Color", "TColor")
    Q_CLASSINFO("Default.Color", "16777215")
    Q_CLASSINFO("Type.Cursor", "TCursor")
    Q_CLASSINFO("Default.Cursor", "0")
    Q_CLASSINFO("Stored.Font", "IsFontStored")
    Q_CLASSINFO("Default.ParentFont", "True")
    Q_CLASSINFO("Default.Rotation", "0")
    Q_CLASSINFO("Default.ShowText", "False")
public:
    explicit TfrxBarcode2DView(TComponent *owner = nullptr);

    TfrxBarcode2DProperties *BarProperties() { return &m_barProperties; }
    const TfrxBarcode2DProperties *BarProperties() const { return &m_barProperties; }
    void SetBarProperties(TfrxBarcode2DProperties *value)
    {
        if (value)
            m_barProperties.Assign(*value);
    }

    static QStringList BarTypeNames();

    void Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

private:
    TfrxBarcode2DProperties m_barProperties;
};

// QR code objects of the add-on that older layouts use: a two-dimensional code fixed to QR.
class TfrxQRcode : public TfrxBarcode2DView {
    Q_OBJECT
public:
    explicit TfrxQRcode(TComponent *owner = nullptr);
};

class TfrxQRCode : public TfrxBarcode2DView {
    Q_OBJECT
public:
    explicit TfrxQRCode(TComponent *owner = nullptr);
};
