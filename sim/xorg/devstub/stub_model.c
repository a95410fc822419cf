/* Throwaway stand-in for the adapter model while sim/model is being written. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "qevsim_model.h"
#include "qev/outputs.h"

struct QevSimModel { unsigned sup, con, act; int rot; int samm, gemel; int type, scaleh; };

QevSimModel *qevsim_model_new(void) {
    QevSimModel *m = calloc(1, sizeof *m);
    m->sup = QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV | QEV_OUT_DVI;
    m->con = QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV;
    m->act = QEV_OUT_CRT; m->rot = 1; m->scaleh = 5;
    return m;
}
void qevsim_model_free(QevSimModel *m) { free(m); }
int qevsim_model_load_profile(QevSimModel *m, const char *path, char *err, size_t n) {
    FILE *f = fopen(path, "r"); (void)m;
    if (!f) { snprintf(err, n, "%s:0: key '': cannot open", path); return 0; }
    char line[256]; int ln = 0;
    while (fgets(line, sizeof line, f)) { ln++; if (line[0] == '#' || line[0] == '\n') continue;
        if (!strchr(line, '=')) { line[strcspn(line, "\n")] = 0; snprintf(err, n, "%s:%d: key '%s': missing '='", path, ln, line); fclose(f); return 0; } }
    fclose(f); return 1;
}
int qevsim_model_set_key(QevSimModel *m, const char *k, const char *v, char *e, size_t n) { (void)m; (void)k; (void)v; (void)e; (void)n; return 1; }
void qevsim_model_command(QevSimModel *m, QevCommandBlock *b) {
    b->status = 0;
    if (b->group == 19 && b->function == 3) { b->output[0] = m->act; b->status = 1; }
    else if (b->group == 19 && b->function == 1) { b->output[0] = m->sup; b->status = 1; }
    else if (b->group == 19 && b->function == 4) { unsigned a = b->input[0] & m->con; if (a) { m->act = a; b->status = 1; } }
    else if (b->group == 19 && b->function == 5) { b->output[0] = m->samm; b->status = 1; }
    else if (b->group == 24 && b->function == 4) { b->output[0] = 2; b->output[1] = m->rot; b->status = 1; }
    else if (b->group == 18 && b->function == 1) { memcpy(b->output, "qevsim", 7); b->status = 1; }
}
unsigned qevsim_model_supported(const QevSimModel *m) { return m->sup; }
unsigned qevsim_model_connected(const QevSimModel *m) { return m->con; }
unsigned qevsim_model_active(const QevSimModel *m) { return m->act; }
unsigned qevsim_model_primary(const QevSimModel *m) { return m->act & -m->act; }
void qevsim_model_set_connected(QevSimModel *m, unsigned bit, int c) { if (c) m->con |= bit; else { m->con &= ~bit; m->act &= ~bit; } }
void qevsim_model_set_output_active(QevSimModel *m, unsigned bit, int a) { if (a) m->act |= bit; else m->act &= ~bit; }
void qevsim_model_set_layout(QevSimModel *m, int samm, int gemel) { m->samm = samm; m->gemel = gemel; }
static const QevSimMode crt_modes[] = { {1024, 768, 60004}, {1280, 1024, 60020}, {1024, 768, 75029}, {800, 600, 60317}, {800, 600, 75000}, {640, 480, 59940} };
static const QevSimMode lcd_modes[] = { {1024, 768, 60004}, {800, 600, 60317}, {640, 480, 59940} };
static const QevSimMode tv_modes[] = { {800, 600, 60317}, {640, 480, 59940} };
static const QevSimMode *modes_of(unsigned bit, int *n) {
    switch (bit) { case QEV_OUT_CRT: case QEV_OUT_DVI: *n = 6; return crt_modes; case QEV_OUT_LCD: *n = 3; return lcd_modes; case QEV_OUT_TV: *n = 2; return tv_modes; }
    *n = 0; return NULL;
}
int qevsim_model_mode_count(const QevSimModel *m, unsigned bit) { int n; (void)m; modes_of(bit, &n); return n; }
int qevsim_model_mode_get(const QevSimModel *m, unsigned bit, int i, QevSimMode *out) { int n; const QevSimMode *l = modes_of(bit, &n); (void)m; if (i < 0 || i >= n) return 0; *out = l[i]; return 1; }
void qevsim_model_set_current_mode(QevSimModel *m, unsigned bit, int w, int h, int r) { (void)m; (void)bit; (void)w; (void)h; (void)r; }
int qevsim_model_rotations(const QevSimModel *m) { (void)m; return 63; }
void qevsim_model_set_rotation(QevSimModel *m, int r) { m->rot = r; }
int qevsim_model_property_count(const QevSimModel *m, unsigned bit) { (void)m; return bit == QEV_OUT_TV ? 2 : 0; }
int qevsim_model_property_get(const QevSimModel *m, unsigned bit, int i, QevSimProperty *p) {
    if (bit != QEV_OUT_TV || i < 0 || i > 1) return 0;
    memset(p, 0, sizeof *p);
    if (i == 0) { p->name = "Type"; p->is_atom = 1; p->atoms[0] = "NTSC"; p->atoms[1] = "PAL"; p->natoms = 2; p->value = m->type; }
    else { p->name = "ScaleH"; p->min = 0; p->max = 10; p->value = m->scaleh; }
    return 1;
}
int qevsim_model_property_set(QevSimModel *m, unsigned bit, const char *name, int v) {
    if (bit != QEV_OUT_TV) return 0;
    if (!strcmp(name, "Type") && v >= 0 && v < 2) { m->type = v; return 1; }
    if (!strcmp(name, "ScaleH") && v >= 0 && v <= 10) { m->scaleh = v; return 1; }
    return 0;
}
int qevsim_model_apply_option(QevSimModel *m, const char *k, const char *v, char *e, size_t n) {
    if (!strcmp(k, "ActiveDevice")) { unsigned a = 0; if (strstr(v, "CRT")) a |= QEV_OUT_CRT; if (strstr(v, "LCD")) a |= QEV_OUT_LCD; if (strstr(v, "TV")) a |= QEV_OUT_TV; if (a) { m->act = a; return 1; } }
    snprintf(e, n, "bad option %s", k); return 0;
}
char *qevsim_model_dump_json(const QevSimModel *m) { char *s = malloc(64); snprintf(s, 64, "{\"active\":%u}", m->act); return s; }
