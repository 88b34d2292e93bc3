#include "DemoContent.h"

#include "Database.h"
#include "Transaction.h"
#include "UserStore.h"

#include <QStringList>

namespace {

const QStringList Statements = {
    QStringLiteral("CREATE TABLE REGIAO (CDREGIAO INTEGER NOT NULL PRIMARY KEY, "
                   "NMREGIAO VARCHAR(40) NOT NULL)"),
    QStringLiteral("CREATE TABLE CIDADE (CDCIDADE INTEGER NOT NULL PRIMARY KEY, "
                   "NMCIDADE VARCHAR(60) NOT NULL, SGUF CHAR(2) NOT NULL, "
                   "CDREGIAO INTEGER REFERENCES REGIAO (CDREGIAO))"),
    QStringLiteral("CREATE TABLE CLIENTE (CDCLIENTE INTEGER NOT NULL PRIMARY KEY, "
                   "NMCLIENTE VARCHAR(60) NOT NULL, CDCIDADE INTEGER REFERENCES CIDADE (CDCIDADE), "
                   "DSSEGMENTO VARCHAR(30), DTCADASTRO DATE, IMFOTO BLOB)"),
    QStringLiteral("CREATE TABLE GRUPOPRODUTO (CDGRUPO INTEGER NOT NULL PRIMARY KEY, "
                   "NMGRUPO VARCHAR(40) NOT NULL, "
                   "CDGRUPOPAI INTEGER REFERENCES GRUPOPRODUTO (CDGRUPO))"),
    QStringLiteral(
        "CREATE TABLE PRODUTO (CDPRODUTO INTEGER NOT NULL PRIMARY KEY, "
        "DSPRODUTO VARCHAR(60) NOT NULL, CDGRUPO INTEGER REFERENCES GRUPOPRODUTO (CDGRUPO), "
        "VLPRECO NUMERIC(12,2), PCDESCONTO REAL)"),
    QStringLiteral("CREATE TABLE VENDEDOR (CDVENDEDOR INTEGER NOT NULL PRIMARY KEY, "
                   "NMVENDEDOR VARCHAR(60) NOT NULL, "
                   "CDSUPERVISOR INTEGER REFERENCES VENDEDOR (CDVENDEDOR))"),
    QStringLiteral("INSERT INTO REGIAO VALUES (1, 'Sul'), (2, 'Sudeste'), (3, 'Nordeste')"),
    QStringLiteral("INSERT INTO CIDADE VALUES (1, 'Porto Alegre', 'RS', 1), "
                   "(2, 'Florianópolis', 'SC', 1), (3, 'São Paulo', 'SP', 2), "
                   "(4, 'Belo Horizonte', 'MG', 2), (5, 'Recife', 'PE', 3)"),
    QStringLiteral("INSERT INTO CLIENTE (CDCLIENTE, NMCLIENTE, CDCIDADE, DSSEGMENTO, DTCADASTRO) "
                   "VALUES (1, 'Mercado Bom Preço', 1, 'Varejo', '2021-03-15'), "
                   "(2, 'Distribuidora Litoral', 2, 'Atacado', '2020-11-02'), "
                   "(3, 'Padaria Estrela', 3, 'Varejo', '2022-06-30'), "
                   "(4, 'Farmácia Central', 4, 'Varejo', '2019-01-21'), "
                   "(5, 'Atacadão do Norte', 5, 'Atacado', '2023-02-08')"),
    QStringLiteral("INSERT INTO GRUPOPRODUTO VALUES (1, 'Alimentos', NULL), "
                   "(2, 'Bebidas', 1), (3, 'Mercearia', 1), (4, 'Limpeza', NULL), "
                   "(5, 'Refrigerantes', 2), (6, 'Sucos', 2)"),
    QStringLiteral("INSERT INTO PRODUTO VALUES (1, 'Refrigerante cola 2 l', 5, 8.99, 0.05), "
                   "(2, 'Suco de uva 1 l', 6, 12.50, 0), (3, 'Arroz 5 kg', 3, 27.90, 0.1), "
                   "(4, 'Detergente 500 ml', 4, 2.79, 0), (5, 'Feijão 1 kg', 3, 8.49, 0)"),
    QStringLiteral("INSERT INTO VENDEDOR VALUES (1, 'Ana Souza', NULL), (2, 'Bruno Lima', 1), "
                   "(3, 'Carla Dias', 1), (4, 'Diego Alves', 2)"),
    QStringLiteral("INSERT INTO DIMENSAODIME (IDDIMENSAODW, NRSEQUEDIME, NMITEMDIME, CDTABELADIME, "
                   "DSPKDIME, DSITEMDIME, DSPKDIME2) VALUES "
                   "('S', '00001', 'Clientes', 'CLIENTE', 'CDCLIENTE', 'NMCLIENTE', NULL), "
                   "('S', '00002', 'Produtos', 'PRODUTO', 'CDPRODUTO', 'DSPRODUTO', NULL), "
                   "('S', '00003', 'Grupos de Produto', 'GRUPOPRODUTO', 'CDGRUPO', 'NMGRUPO', "
                   "'CDGRUPOPAI'), "
                   "('N', '00004', 'Cidades', 'CIDADE', 'CDCIDADE', 'NMCIDADE', NULL), "
                   "('S', '00005', 'Vendedores', 'VENDEDOR', 'CDVENDEDOR', 'NMVENDEDOR', "
                   "'CDSUPERVISOR')"),
    QStringLiteral("INSERT INTO ATRIBEXTRADIME (NRSEQUEDIME, CDATRIBEXTRDIME, DSATRIBEXTRDIME) "
                   "VALUES ('00001', 'CDCIDADE', 'Cidade'), ('00001', 'DSSEGMENTO', 'Segmento'), "
                   "('00001', 'DTCADASTRO', 'Data de Cadastro'), ('00002', 'CDGRUPO', 'Grupo'), "
                   "('00002', 'VLPRECO', 'Preço'), ('00004', 'SGUF', 'UF'), "
                   "('00004', 'CDREGIAO', 'Região')"),
};

} // namespace

void DemoContent::install(Database &db)
{
    Transaction transaction(db);
    for (const QString &statement : Statements)
        db.run(statement);
    transaction.commit();
    UserStore(db).add(QString::fromLatin1(UserName), Role::Maintain, QString::fromLatin1(Password));
}
