#!/usr/bin/env python3
"""Writes clienti.json, the description mkmdb turns into the example database
clienti.mdb: a small Italian sales database (Clienti, Ordini, Prodotti).

The data is invented and the same on every run (fixed seed). Run it again only
to change the example:  python3 make_clienti_json.py > clienti.json
"""
import datetime
import json
import random
import sys

rng = random.Random(2003)

NOMI = ["Mario", "Giulia", "Luca", "Francesca", "Marco", "Chiara", "Alessandro", "Sara", "Andrea", "Elena",
        "Giovanni", "Valentina", "Matteo", "Federica", "Lorenzo", "Martina", "Davide", "Silvia", "Simone", "Paola",
        "Niccolò", "Beatrice", "Tommaso", "Ilaria", "Gabriele", "Noemi", "Riccardo", "Lucía", "Stefano", "Anna"]
COGNOMI = ["Rossi", "Russo", "Ferrari", "Esposito", "Bianchi", "Romano", "Colombo", "Ricci", "Marino", "Greco",
           "Bruno", "Gallo", "Conti", "De Luca", "Mancini", "Costa", "Giordano", "Rizzo", "Lombardi", "Moretti",
           "Barbieri", "Fontana", "Santoro", "Mariani", "Rinaldi", "Caruso", "Ferrara", "Galli", "Martini", "Leone",
           "D'Angelo", "Sanfilippo", "Lo Russo", "Dell'Acqua", "Nicolò"]
CITTA = [("Milano", "MI", "20121"), ("Roma", "RM", "00184"), ("Napoli", "NA", "80133"), ("Torino", "TO", "10121"),
         ("Palermo", "PA", "90133"), ("Genova", "GE", "16121"), ("Bologna", "BO", "40121"),
         ("Firenze", "FI", "50122"), ("Bari", "BA", "70121"), ("Catania", "CT", "95121"),
         ("Venezia", "VE", "30121"), ("Verona", "VR", "37121"), ("Forlì", "FC", "47121"),
         ("Cantù", "CO", "22063"), ("Aosta", "AO", "11100"), ("Sant'Agata di Militello", "ME", "98076"),
         ("Trento", "TN", "38122"), ("Bolzano", "BZ", "39100"), ("Perugia", "PG", "06121"),
         ("Cagliari", "CA", "09124"), ("Lecce", "LE", "73100"), ("Pescara", "PE", "65121")]
VIE = ["Via Roma", "Corso Vittorio Emanuele II", "Via Garibaldi", "Piazza del Duomo", "Via Mazzini",
       "Viale dei Mille", "Via Dante Alighieri", "Via Cavour", "Largo Augusto", "Via XX Settembre",
       "Via San Francesco d'Assisi", "Vicolo Stretto"]
NOTE_CLIENTI = [
    "Preferisce essere contattato al mattino.",
    "Cliente storico: applicare lo sconto fedeltà su tutti gli ordini.",
    "Consegna al piano, ascensore fuori servizio il martedì.",
    "Richiede fattura elettronica con codice destinatario.",
    "Pagamento a 60 giorni data fattura fine mese.",
]
PRODOTTI = [
    ("Caffè in grani 1 kg", "Alimentari", 18.90, 1.0), ("Pasta di Gragnano 500 g", "Alimentari", 2.35, 0.5),
    ("Olio extravergine 1 l", "Alimentari", 11.50, 0.92), ("Parmigiano Reggiano 24 mesi", "Alimentari", 24.80, 1.0),
    ("Aceto balsamico di Modena", "Alimentari", 7.20, 0.25), ("Moka 6 tazze", "Casa", 29.00, 0.8),
    ("Tovaglia in lino", "Casa", 45.00, 0.6), ("Set di bicchieri (6 pezzi)", "Casa", 19.99, 1.4),
    ("Lampada da scrivania", "Casa", 34.50, 1.1), ("Quaderno a righe A4", "Cartoleria", 1.90, 0.3),
    ("Penna stilografica", "Cartoleria", 59.00, 0.05), ("Agenda 2004", "Cartoleria", 12.00, 0.4),
    ("Zaino da città", "Abbigliamento", 49.90, 0.9), ("Sciarpa di lana", "Abbigliamento", 22.00, 0.2),
    ("Ombrello pieghevole", "Abbigliamento", 14.50, 0.35), ("Vino rosso DOC 0,75 l", "Bevande", 9.80, 1.2),
    ("Acqua minerale frizzante 6×1,5 l", "Bevande", 3.60, 9.0), ("Limoncello 0,5 l", "Bevande", 13.40, 0.9),
    ("Cioccolato fondente 70%", "Alimentari", 2.95, 0.1), ("Panettone artigianale", "Alimentari", 26.00, 1.0),
]


def ascii_mail(text):
    table = str.maketrans({"à": "a", "è": "e", "é": "e", "ì": "i", "ò": "o", "ù": "u", "í": "i", "'": "", " ": ""})
    return text.lower().translate(table)


def date(y, m, d, hh=0, mm=0, ss=0):
    return f"{y:04d}-{m:02d}-{d:02d} {hh:02d}:{mm:02d}:{ss:02d}"


def clienti(n):
    rows = []
    for i in range(1, n + 1):
        nome, cognome = rng.choice(NOMI), rng.choice(COGNOMI)
        citta, prov, cap = rng.choice(CITTA)
        telefono = f"0{rng.randint(2, 99)} {rng.randint(1000000, 9999999)}" if rng.random() < 0.9 else None
        email = f"{ascii_mail(nome)}.{ascii_mail(cognome)}{i}@esempio.it" if rng.random() < 0.8 else None
        rows.append([
            None,  # ID: AutoNumber
            nome,
            cognome,
            f"{rng.choice(VIE)}, {rng.randint(1, 180)}",
            citta,
            prov,
            cap,
            telefono,
            email,
            date(rng.randint(1995, 2003), rng.randint(1, 12), rng.randint(1, 28)),
            f"{rng.choice([500, 1000, 2500, 5000, 10000])}.00",
            rng.random() < 0.85,
            rng.randint(0, 3),  # Categoria
            rng.choice(NOTE_CLIENTI) if rng.random() < 0.3 else None,
        ])
    return rows


def prodotti():
    rows = []
    for i, (descrizione, reparto, prezzo, peso) in enumerate(PRODOTTI, start=1):
        guid = "{%08X-%04X-%04X-%04X-%012X}" % (rng.getrandbits(32), rng.getrandbits(16), rng.getrandbits(16),
                                               rng.getrandbits(16), rng.getrandbits(48))
        scheda = (f"{descrizione}. Reparto {reparto.lower()}. "
                  + "Prodotto selezionato da fornitori italiani, conservare in luogo fresco e asciutto. " * 3)
        rows.append([
            None,
            f"P{i:04d}",
            descrizione,
            reparto,
            f"{prezzo:.2f}",
            "4.00" if reparto == "Alimentari" else ("10.00" if reparto == "Bevande" else "22.00"),
            peso,
            rng.randint(0, 500),
            rng.random() < 0.9,
            guid,
            scheda,
            {"hex": "89504e470d0a1a0a" + "%02x" % i},  # the start of a PNG signature
        ])
    return rows


def ordini(n, clienti_count, prodotti_rows):
    rows = []
    for i in range(1, n + 1):
        prodotto = rng.randrange(len(prodotti_rows))
        prezzo = float(prodotti_rows[prodotto][4])
        ordinato = datetime.datetime(2003, 1, 2, 8) + datetime.timedelta(days=rng.randint(0, 340),
                                                                        minutes=rng.randint(0, 11 * 60))
        spedito = rng.random() < 0.7
        spedizione = (ordinato + datetime.timedelta(days=rng.randint(1, 6))).date()
        rows.append([
            None,
            rng.randint(1, clienti_count),
            date(ordinato.year, ordinato.month, ordinato.day, ordinato.hour, ordinato.minute),
            prodotto + 1,
            rng.randint(1, 24),
            f"{prezzo:.2f}",
            rng.choice([0.0, 0.0, 0.05, 0.1, 0.15]),
            spedito,
            date(spedizione.year, spedizione.month, spedizione.day) if spedito else None,
            "Consegnare entro le 12." if rng.random() < 0.1 else None,
        ])
    return rows


def main():
    prodotti_rows = prodotti()
    description = {
        "comment": "Example database for Converti. Generated by make_clienti_json.py; mkmdb builds clienti.mdb.",
        "created": "2003-12-15 09:30:00",
        "tables": [
            {
                "name": "Clienti",
                "columns": [
                    {"name": "ID", "type": "Long", "autoNumber": True},
                    {"name": "Nome", "type": "Text", "size": 30},
                    {"name": "Cognome", "type": "Text", "size": 40},
                    {"name": "Indirizzo", "type": "Text", "size": 80},
                    {"name": "Città", "type": "Text", "size": 40},
                    {"name": "Provincia", "type": "Text", "size": 2},
                    {"name": "CAP", "type": "Text", "size": 5},
                    {"name": "Telefono", "type": "Text", "size": 20},
                    {"name": "Email", "type": "Text", "size": 60},
                    {"name": "Cliente dal", "type": "Date"},
                    {"name": "Fido", "type": "Currency"},
                    {"name": "Attivo", "type": "Boolean"},
                    {"name": "Categoria", "type": "Byte"},
                    {"name": "Note", "type": "Memo"},
                ],
                "rows": clienti(300),
            },
            {
                "name": "Ordini",
                "columns": [
                    {"name": "ID", "type": "Long", "autoNumber": True},
                    {"name": "Cliente", "type": "Long"},
                    {"name": "Data ordine", "type": "Date"},
                    {"name": "Prodotto", "type": "Long"},
                    {"name": "Quantità", "type": "Integer"},
                    {"name": "Prezzo unitario", "type": "Currency"},
                    {"name": "Sconto", "type": "Single"},
                    {"name": "Spedito", "type": "Boolean"},
                    {"name": "Data spedizione", "type": "Date"},
                    {"name": "Note", "type": "Memo"},
                ],
                "rows": ordini(600, 300, prodotti_rows),
            },
            {
                "name": "Prodotti",
                "columns": [
                    {"name": "ID", "type": "Long", "autoNumber": True},
                    {"name": "Codice", "type": "Text", "size": 10},
                    {"name": "Descrizione", "type": "Text", "size": 80},
                    {"name": "Reparto", "type": "Text", "size": 30},
                    {"name": "Prezzo", "type": "Currency"},
                    {"name": "Aliquota IVA", "type": "Decimal", "precision": 4, "scale": 2},
                    {"name": "Peso kg", "type": "Double"},
                    {"name": "Giacenza", "type": "Integer"},
                    {"name": "Disponibile", "type": "Boolean"},
                    {"name": "Codice articolo", "type": "Guid"},
                    {"name": "Scheda", "type": "Memo"},
                    {"name": "Immagine", "type": "OLE"},
                ],
                "rows": prodotti_rows,
            },
        ],
    }
    out = json.dumps(description, ensure_ascii=False, indent=1)
    # One row per line keeps the file readable and its diffs small.
    sys.stdout.write(compact_rows(out) + "\n")


def compact_rows(text):
    data = json.loads(text)
    lines = ["{", f' "comment": {json.dumps(data["comment"], ensure_ascii=False)},',
             f' "created": {json.dumps(data["created"])},', ' "tables": [']
    for t, table in enumerate(data["tables"]):
        lines.append("  {")
        lines.append(f'   "name": {json.dumps(table["name"], ensure_ascii=False)},')
        lines.append('   "columns": [')
        cols = [f"    {json.dumps(c, ensure_ascii=False)}" for c in table["columns"]]
        lines.append(",\n".join(cols))
        lines.append("   ],")
        lines.append('   "rows": [')
        rows = [f"    {json.dumps(r, ensure_ascii=False)}" for r in table["rows"]]
        lines.append(",\n".join(rows))
        lines.append("   ]")
        lines.append("  }" + ("," if t + 1 < len(data["tables"]) else ""))
    lines.append(" ]")
    lines.append("}")
    return "\n".join(lines)


if __name__ == "__main__":
    main()
