// Immediate-mode 2D drawing: the drawing colour and alpha, colour conversions, clearing, the
// untextured shapes and the user-built primitives. Every shape draws at once at the drawing
// depth (the one the textured quads use).
#pragma once

#include <cstdint>

// The drawing colour (a game colour, 0xBBGGRR) and alpha (0..1). The colour is kept as a
// device colour carrying the alpha.
void Draw_SetColor(int32_t col);
int32_t Draw_GetColor();
void Draw_SetAlpha(double alpha);  // limited to 0..1
double Draw_GetAlpha();
uint32_t Draw_DeviceColor();

// Colour conversions; components and results 0..255.
int32_t MakeColorHsv(double h, double s, double v);
int32_t ColorGetHue(int32_t col);
int32_t ColorGetSaturation(int32_t col);
int32_t ColorGetValue(int32_t col);
int32_t MergeColor(int32_t col1, int32_t col2, double amount);

// Clears the target and the depth buffer; alpha 0..1.
void Draw_Clear(int32_t col, double alpha);

void Draw_Point(double x, double y);
void Draw_PointColor(double x, double y, int32_t col);
void Draw_Line(double x1, double y1, double x2, double y2, int32_t col1, int32_t col2);
void Draw_LineWidth(double x1, double y1, double x2, double y2, double w, int32_t col1, int32_t col2);
// Corner colours top-left, top-right, bottom-right, bottom-left.
void Draw_Rectangle(double x1, double y1, double x2, double y2, int32_t c1, int32_t c2, int32_t c3, int32_t c4,
                    bool outline);
void Draw_RoundRect(double x1, double y1, double x2, double y2, int32_t centre, int32_t edge, bool outline);
void Draw_Triangle(double x1, double y1, double x2, double y2, double x3, double y3, int32_t c1, int32_t c2, int32_t c3,
                   bool outline);
void Draw_Ellipse(double x1, double y1, double x2, double y2, int32_t centre, int32_t edge, bool outline);
void Draw_Arrow(double x1, double y1, double x2, double y2, double size);
void Draw_Button(double x1, double y1, double x2, double y2, bool up);
void Draw_Healthbar(double x1, double y1, double x2, double y2, double amount, int32_t backcol, int32_t mincol,
                    int32_t maxcol, int32_t direction, bool showback, bool showborder);
// The same bar with its own middle colour: the bar blends from mincol to midcol over 0..50 and
// from midcol to maxcol over 50..100.
void Draw_HealthbarColors(double x1, double y1, double x2, double y2, double amount, int32_t backcol, int32_t mincol,
                          int32_t midcol, int32_t maxcol, int32_t direction, bool showback, bool showborder);

// Limited to 4..64, then down to a multiple of 4.
void Draw_SetCirclePrecision(int32_t precision);
int32_t Draw_CirclePrecision();

// A primitive built vertex by vertex: kinds 1..6 are point list, line list, line strip,
// triangle list, triangle strip and fan; texture −1 for none.
inline constexpr int32_t kMaxPrimitiveVertices = 1001;
void Draw_PrimitiveBegin(int32_t kind, int32_t texture);
void Draw_Vertex(double x, double y, double u, double v, int32_t col, double alpha);
int32_t Draw_PrimitiveVertexCount();
void Draw_PrimitiveEnd();
